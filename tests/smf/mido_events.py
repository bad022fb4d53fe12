#!/usr/bin/env python3
# Lists what an independent reader (mido) finds in MIDI files, for comparison in the tests:
#   file <path>
#   count <channel> <channel messages>
#   note <channel> <kind: 128 off, 144 on> <note> <velocity> <ms since start, exact>
# With --cache <folder> first, each file's list is kept there under a hash of the file's bytes,
# this script and mido's version, so a song is read by mido once, not at every test run.
import hashlib
import os
import sys
import tempfile

import mido


def listing(path):
    lines = []
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
        lines.append("count %d %d\n" % (channel, counts[channel]))
    for channel, kind, note, velocity, ms in notes:
        lines.append("note %d %d %d %d %.4f\n" % (channel, kind, note, velocity, ms))
    return "".join(lines)


def cache_key(path):
    digest = hashlib.sha256()
    with open(__file__, "rb") as script:
        digest.update(script.read())
    digest.update(str(getattr(mido, "__version__", "")).encode())
    with open(path, "rb") as song:
        digest.update(song.read())
    return digest.hexdigest()


def cached_listing(path, folder):
    kept = os.path.join(folder, cache_key(path))
    try:
        with open(kept, encoding="ascii") as found:
            return found.read()
    except OSError:
        pass
    text = listing(path)
    # Written beside and renamed: a test running at the same time never reads half a list.
    os.makedirs(folder, exist_ok=True)
    handle, temporary = tempfile.mkstemp(dir=folder, prefix=".part-")
    with os.fdopen(handle, "w", encoding="ascii") as out:
        out.write(text)
    os.replace(temporary, kept)
    return text


def main(arguments):
    folder = None
    if arguments[:1] == ["--cache"]:
        folder = arguments[1]
        arguments = arguments[2:]
    for path in arguments:
        sys.stdout.write("file %s\n" % path)
        sys.stdout.write(cached_listing(path, folder) if folder else listing(path))


main(sys.argv[1:])
