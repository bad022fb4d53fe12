#!/usr/bin/python3
# Checks the committed pictures, sounds and songs against what the game expects of them.
"""Usage: /usr/bin/python3 assets/check_assets.py     (exit status 0 when everything holds)

Catches the faults that would show only on screen or in the speakers: a missing or
renamed picture, a frame whose edges do not tile or whose inside is not clear, a digit
strip that does not split into ten cells, a clicking or too long sound, a song that does
not read back or lacks its parts."""

import os
import struct
import sys
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raster import read_png  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
PICTURES = ['logo', 'left_arrow', 'right_arrow', 'frame', 'bg', 'bg2', 'ball', 'ball0', 'ball1', 'meter',
            'Combo', 'num', 'okMeter', 'goodMeter', 'badMeter', 'excMeter', 'comboMeter'] + \
           ['key%d' % i for i in range(12)]
SOUNDS = ['select', 'select2', 'ok', 'cancel']

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def pixel(img, x, y):
    w, _, data = img
    k = (y * w + x) * 4
    return tuple(data[k:k + 4])


def check_pictures():
    images = {}
    for name in PICTURES:
        path = os.path.join(HERE, 'image', name + '.png')
        if not os.path.exists(path):
            check(False, 'missing picture ' + path)
            continue
        images[name] = read_png(path)
    if len(images) != len(PICTURES):
        return

    # Balls and targets: square, same size, transparent corners.
    size = images['key0'][0]
    for name in ['ball'] + ['key%d' % i for i in range(12)]:
        w, h, _ = images[name]
        check((w, h) == (size, size), '%s is %dx%d, the lane pictures must all be %dx%d' % (name, w, h, size, size))
        check(pixel(images[name], 0, 0)[3] == 0 and pixel(images[name], w - 1, h - 1)[3] == 0,
              name + ' must have transparent corners')
    colours = [pixel(images['key%d' % i], size // 2, size * 3 // 4)[:3] for i in range(12)]
    for i in range(12):
        for j in range(i):
            dist = sum((a - b) ** 2 for a, b in zip(colours[i], colours[j])) ** 0.5
            check(dist > 40, 'lane balls key%d and key%d look too much alike' % (j, i))

    # Frame: nine equal cells; edge cells repeat seamlessly; the centre cell stays clear;
    # no opaque white (white is the colour key of built boxes) and no half-transparent pixels.
    w, h, data = images['frame']
    cw, ch = w // 3, h // 3
    check(w % 3 == 0 and h % 3 == 0, 'frame size must split into a 3 x 3 grid')
    for y in range(ch, 2 * ch):
        for x in range(cw, 2 * cw):
            check(pixel(images['frame'], x, y)[3] == 0, 'frame centre pixel (%d,%d) is not transparent' % (x, y))
    for y in list(range(ch)) + list(range(2 * ch, h)):
        row = {pixel(images['frame'], x, y) for x in range(cw, 2 * cw)}
        check(len(row) == 1, 'frame top/bottom edge cell is not uniform along row %d' % y)
    for x in list(range(cw)) + list(range(2 * cw, w)):
        col = {pixel(images['frame'], x, y) for y in range(ch, 2 * ch)}
        check(len(col) == 1, 'frame left/right edge cell is not uniform along column %d' % x)
    # Corners are laid over the last edge tiles, so they must cover every pixel the tiles cover.
    corners = [(0, 0), (2 * cw, 0), (0, 2 * ch), (2 * cw, 2 * ch)]
    for cx, cy in corners:
        for y in range(ch):
            for x in range(cw):
                beside = pixel(images['frame'], cw + x, cy + y)[3] if cy != ch else 0
                above = pixel(images['frame'], cx + x, ch + y)[3]
                check(pixel(images['frame'], cx + x, cy + y)[3] == 255 or (beside == 0 and above == 0),
                      'frame corner at (%d,%d) lets an edge tile show through at (%d,%d)' % (cx, cy, x, y))
    for i in range(0, len(data), 4):
        r, g, b, a = data[i:i + 4]
        check(a in (0, 255), 'frame has a half-transparent pixel')
        check(not (a and r == g == b == 255), 'frame has an opaque white pixel')
        if failures and failures[-1].startswith('frame has'):
            break

    # Digits: ten equal cells side by side; every cell holds something; the word COMBO is as
    # tall as a digit so the two line up.
    w, h, _ = images['num']
    check(w % 10 == 0, 'num width must be a multiple of ten')
    for d in range(10):
        ink = sum(1 for y in range(h) for x in range(d * w // 10, (d + 1) * w // 10)
                  if pixel(images['num'], x, y)[3] > 128)
        check(ink > 20, 'digit %d of num is empty' % d)
    check(images['Combo'][1] == h, 'Combo and num must have the same height')

    # Life meter: ten 10-pixel frames, each showing a bar down to the bottom edge.
    w, h, _ = images['meter']
    check(w == 100, 'meter must be ten 10-pixel frames wide')
    for f in range(10):
        check(pixel(images['meter'], f * 10 + 5, h - 1)[3] == 255 and pixel(images['meter'], f * 10 + 5, 0)[3] == 255,
              'meter frame %d does not fill its full height' % f)
    for name in ['okMeter', 'goodMeter', 'badMeter', 'excMeter', 'comboMeter', 'bg2']:
        check(images[name][:2] == (100, 100), name + ' must be 100x100 (it is scaled in percent)')
    for name in ['okMeter', 'goodMeter', 'badMeter', 'excMeter', 'comboMeter']:
        check(pixel(images[name], 50, 99)[3] == 255, name + ' bar must reach the bottom edge')


def check_sounds():
    for name in SOUNDS:
        path = os.path.join(HERE, 'wav', name + '.wav')
        if not os.path.exists(path):
            check(False, 'missing sound ' + path)
            continue
        with wave.open(path) as w:
            rate, width, channels, n = w.getframerate(), w.getsampwidth(), w.getnchannels(), w.getnframes()
            samples = struct.unpack('<%dh' % (n * channels), w.readframes(n))
        check(rate in (22050, 44100) and width == 2, name + ' must be 16-bit at 22050 or 44100 Hz')
        check(n / rate < 0.4, name + ' is longer than 0.4 s')
        check(abs(samples[0]) < 200 and abs(samples[-1]) < 200, name + ' does not start and end near silence')
        peak = max(abs(s) for s in samples)
        check(8000 < peak < 30000, name + ' peak level %d is not moderate' % peak)


def check_songs():
    try:
        import mido
    except ImportError:
        check(False, 'python3-mido is needed to check the songs (run with /usr/bin/python3)')
        return
    folder = os.path.join(HERE, 'songs')
    names = sorted(n for n in os.listdir(folder) if n.endswith('.mid'))
    check(4 <= len(names) <= 6, 'expected 4 to 6 songs, found %d' % len(names))
    short = 0
    tempo_changes = 0
    for name in names:
        mid = mido.MidiFile(os.path.join(folder, name))
        check(mid.type == 1, name + ' must be format 1')
        channels = {msg.channel for t in mid.tracks for msg in t if msg.type == 'note_on' and msg.velocity > 0}
        check({0, 1} <= channels and (2 in channels or 9 in channels), name + ' lacks melody, bass or a third part')
        programs = {msg.channel for t in mid.tracks for msg in t if msg.type == 'program_change'}
        check(channels <= programs, name + ' has a part without a program change')
        check(any(msg.type == 'set_tempo' for msg in mid.tracks[0]), name + ' has no tempo')
        check(all(any(msg.type == 'track_name' for msg in t) for t in mid.tracks), name + ' has a track without a name')
        tempos = sum(1 for msg in mid.tracks[0] if msg.type == 'set_tempo')
        tempo_changes += tempos > 1
        length = mid.length
        if length < 20:
            short += 1
            check(length >= 12, name + ' is too short')
        else:
            check(length <= 90, name + ' is longer than 90 s')
    check(short == 1, 'expected exactly one short song, found %d' % short)
    check(tempo_changes >= 1, 'expected a song with a tempo change')


def main():
    check_pictures()
    check_sounds()
    check_songs()
    for f in failures:
        print('FAIL:', f)
    print('assets: %s' % ('ok' if not failures else '%d problem(s)' % len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
