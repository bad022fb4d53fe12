#!/usr/bin/python3
"""Writes a Standard MIDI File whose events nearly all fall on one tick: a few ordinary notes,
then EVENTS events at tick 480 (in every group of 32 a Note On, 30 modulation wheel changes
and the Note Off, with running status to stay under the game's 64 MB), then a last note. It
floods whatever plays it; the synthesizer's memory benchmark uses it.

usage: make-one-instant-song.py out.mid [events]   (default 20,000,000 events, about 62 MB)"""
import struct
import sys


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append(0x80 | (n & 0x7F))
        n >>= 7
    return bytes(reversed(out))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    path = sys.argv[1]
    events = int(sys.argv[2]) if len(sys.argv) > 2 else 20_000_000
    track = bytearray()
    track += b'\x00\xff\x51\x03' + struct.pack('>I', 500000)[1:]
    track += b'\x00\xc0\x00'
    # Four quarter-note beats before the flood: the song sounds like a song at first.
    for i, key in enumerate((60, 64, 67, 72)):
        track += vlq(0 if i == 0 else 60) + bytes([0x90, key, 100])
        track += vlq(60) + bytes([0x80, key, 0])
    # The flood at tick 480 (the previous event is at tick 480), all at delta 0, cycling
    # through 48 keys: controller changes cost a synthesizer as much as Note Offs, and unlike
    # Note Ons they are never too late to apply.
    pattern = bytearray()
    for key in range(36, 84):
        group = bytearray([0, 0x90, key, 100, 0, 0xB0, 1, key])
        for value in range(29):
            group += bytes([0, 1, (key + value) % 128])
        group += bytes([0, 0x90, key, 0])
        pattern += group
    groups = events // 32
    whole, rest = divmod(groups, 48)
    track += bytes(pattern) * whole + bytes(pattern[: rest * len(group)])
    track += vlq(480) + bytes([0x90, 60, 100]) + vlq(480) + bytes([0x80, 60, 0])
    track += b'\x00\xff\x2f\x00'
    data = b'MThd' + struct.pack('>IHHH', 6, 0, 1, 480)
    data += b'MTrk' + struct.pack('>I', len(track)) + bytes(track)
    with open(path, 'wb') as out:
        out.write(data)
    print(path, len(data), 'bytes,', groups * 32 + 12, 'channel events')


if __name__ == '__main__':
    main()
