#!/usr/bin/env python3
# Lists what an independent reader (mido) finds in MIDI files, for comparison in the tests:
#   file <path>
#   count <channel> <channel messages>
#   note <channel> <kind: 128 off, 144 on> <note> <velocity> <ms since start, exact>
import sys

import mido

for path in sys.argv[1:]:
    print("file", path)
    counts = {}
    now = 0.0
    notes = []
    for message in mido.MidiFile(path, clip=True):
        now += message.time
        if message.is_meta or not hasattr(message, "channel"):
            continue
        counts[message.channel] = counts.get(message.channel, 0) + 1
        if message.type in ("note_on", "note_off"):
            kind = 144 if message.type == "note_on" else 128
            notes.append((message.channel, kind, message.note, message.velocity, now * 1000.0))
    for channel in sorted(counts):
        print("count", channel, counts[channel])
    for channel, kind, note, velocity, ms in notes:
        print("note", channel, kind, note, velocity, "%.4f" % ms)
