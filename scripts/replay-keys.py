#!/usr/bin/env python3
"""Plays one game of the real game with the keyboard, as a player would: presses the lanes of a
song's part at chosen times through the X server's XTEST extension (the game's window must have
the focus). The song's clock is taken to start a lead-in after the play scene's first frame shows on the
window (watched through XGetImage); how far off that guess is does not matter for a recording, since
the game records whatever it judged.

Usage: replay-keys.py --trace FILE --song FILE.mid --part N [--keys K] [--tempo PERCENT]
                      [--style good|poor|none|wait] [--aim MS] [--action SONG_MS:KEY[:HOLD_MS]]...
                      [--until-result N] [--seed S]
The notes come from the songinfo tool (its --events table), found next to this script's build or
given by $KEYRISE_SONGINFO. It starts when the trace holds one "addscene" line more than it did
before the game (--after, else when the script began), and ends once it pressed its last key, or with --until-result N once the trace holds N
"result:" lines (pressing every lane now and then meanwhile, so that wait mode never stalls).
"""
import argparse
import ctypes
import os
import random
import subprocess
import sys
import time

# The game's default lane keys for each number of lanes (X keysym names).
LAYOUTS = {
    1: ["space"],
    2: ["f", "j"],
    3: ["f", "space", "j"],
    4: ["d", "f", "j", "k"],
    5: ["d", "f", "space", "j", "k"],
    6: ["s", "d", "f", "j", "k", "l"],
    7: ["s", "d", "f", "space", "j", "k", "l"],
    8: ["a", "s", "d", "f", "j", "k", "l", "semicolon"],
    9: ["a", "s", "d", "f", "space", "j", "k", "l", "semicolon"],
    10: ["a", "s", "d", "f", "g", "h", "j", "k", "l", "semicolon"],
    11: ["a", "s", "d", "f", "g", "space", "h", "j", "k", "l", "semicolon"],
    12: ["a", "s", "d", "f", "g", "v", "n", "h", "j", "k", "l", "semicolon"],
}
# ms from the first frame of the play scene on the window to the song's first moment: the scene
# starts its clock 1500 ms after it is shown, but its first frame reaches the window a while
# after that (measured here by watching a ball reach its target: 1030-1110 ms).
LEAD_IN = 1200
HOLD = int(os.environ.get("KEYRISE_HOLD_MS", 60))  # ms a lane key stays down


class Keyboard:
    """Key presses through XTEST: they reach the window with the focus, like a real keyboard's."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
        self.x11.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.x11.XGetImage.restype = ctypes.c_void_p
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
        self.x11.XGetPixel.restype = ctypes.c_ulong
        self.x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        # A window that went (the game replaced it) is an X error: it is let pass, the caller
        # sees no picture.
        handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self.on_error = handler(lambda display, event: 0)
        self.x11.XSetErrorHandler(self.on_error)
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("replay-keys: cannot open the display")
        self.codes = {}

    def code(self, name):
        if name not in self.codes:
            keysym = self.x11.XStringToKeysym(name.encode())
            code = self.x11.XKeysymToKeycode(self.display, keysym) if keysym else 0
            if not code:
                sys.exit("replay-keys: no key code for " + name)
            self.codes[name] = code
        return self.codes[name]

    def send(self, name, down):
        self.xtst.XTestFakeKeyEvent(self.display, self.code(name), 1 if down else 0, 0)
        self.x11.XFlush(self.display)


    def column(self, window, x, height):
        """The pixels (0xRRGGBB) of one column of the window, top to bottom; None when it
        cannot be read (the window is being replaced)."""
        image = self.x11.XGetImage(self.display, window, x, 0, 1, height, 0xFFFFFFFF, 2)
        if not image:
            return None
        pixels = [self.x11.XGetPixel(image, 0, y) & 0xFFFFFF for y in range(height)]
        self.x11.XDestroyImage(image)
        return pixels


def is_play_screen(pixels):
    """The play scene shows the centre mark of its timing scale under the targets: the first
    lit pixel of the screen's middle column, from the top, starts a short white line."""
    top = len(pixels) // 3
    for y in range(top):
        if pixels[y] != 0:
            return pixels[y] == 0xFFFFFF and all(p == 0xFFFFFF for p in pixels[y:y + 5])
    return False


def wait_play_screen(keyboard, window, width, height, timeout):
    """Waits until the window shows the play scene; its monotonic time (s)."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        for x in (width // 2 - 1, width // 2):
            pixels = keyboard.column(window, x, height)
            if pixels and is_play_screen(pixels):
                return time.monotonic()
        time.sleep(0.002)
    sys.exit("replay-keys: the play scene did not appear")


def songinfo():
    if os.environ.get("KEYRISE_SONGINFO"):
        return os.environ["KEYRISE_SONGINFO"]
    here = os.path.dirname(os.path.abspath(__file__))
    return os.path.join(here, "..", "build", "songinfo")


def notes_of(song, part):
    """(ms, note) of every note of the part, as the game reads the song."""
    table = subprocess.run([songinfo(), "--events", song], check=True, capture_output=True,
                           text=True).stdout
    notes = []
    for line in table.splitlines():
        cols = line.split("\t")
        if len(cols) == 8 and cols[7] == "1" and int(cols[5]) == part:
            notes.append((int(cols[0]), int(cols[6])))
    return notes


def count(trace, word):
    try:
        with open(trace, errors="replace") as f:
            return sum(1 for line in f if line.startswith(word))
    except FileNotFoundError:
        return 0


def wait_for(trace, word, at_least, timeout):
    end = time.monotonic() + timeout
    while count(trace, word) < at_least:
        if time.monotonic() > end:
            sys.exit("replay-keys: no %r line number %d in the trace" % (word, at_least))
        time.sleep(0.003)


def plan(args, rng):
    """The key events of the game: (ms after the song's start on the wall clock, key, down)."""
    lanes = LAYOUTS[args.keys]
    scale = 100.0 / args.tempo  # wall ms per song ms
    events = []
    chords = {}
    for at, note in notes_of(args.song, args.part):
        chords.setdefault(at, set()).add(note % args.keys)
    for at in sorted(chords):
        if args.style == "none":
            break
        error = rng.gauss(0, 12)
        if args.style == "poor":
            if rng.random() < 0.12:
                continue  # a note let go
            error = rng.choice([-1, 1]) * rng.uniform(20, 115)
        elif args.style == "wait":
            error = 60 + abs(error)  # a little late: the song already stands at the note
        wall = at * scale + args.aim + error
        for lane in sorted(chords[at]):
            events.append((wall, lanes[lane], True))
            events.append((wall + HOLD, lanes[lane], False))
    for action in args.action:
        fields = action.split(":")
        at, key = int(fields[0]), fields[1]
        hold = int(fields[2]) if len(fields) > 2 else 80
        events.append((at * scale, key, True))
        events.append((at * scale + hold, key, False))
    # Release before press at the same moment, so that a lane pressed twice goes up between.
    events.sort(key=lambda e: (e[0], e[2]))
    return events


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--trace", required=True)
    parser.add_argument("--song", required=True)
    parser.add_argument("--part", type=int, required=True)
    parser.add_argument("--keys", type=int, default=4)
    parser.add_argument("--tempo", type=int, default=100)
    parser.add_argument("--style", choices=["good", "poor", "none", "wait"], default="good")
    parser.add_argument("--aim", type=int, default=0,
                        help="ms added to every lane press (the player's own lag)")
    parser.add_argument("--window", type=int, required=True,
                        help="the game's X window: its play scene's first frame starts the clock")
    parser.add_argument("--size", required=True, help="the window's WIDTHxHEIGHT")
    parser.add_argument("--action", action="append", default=[],
                        help="SONG_MS:KEY[:HOLD_MS], another key at a song time (wall clock "
                             "scaled by the tempo from the song's start)")
    parser.add_argument("--after", type=int, default=-1,
                        help="'addscene' lines of the trace before this game (default: now)")
    parser.add_argument("--until-result", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.keys not in LAYOUTS:
        sys.exit("replay-keys: 1-12 keys")

    rng = random.Random(args.seed)
    events = plan(args, rng)
    keyboard = Keyboard()
    for name in set(e[1] for e in events):
        keyboard.code(name)

    started = args.after if args.after >= 0 else count(args.trace, "addscene")
    wait_for(args.trace, "addscene", started + 1, 60)
    asked = time.monotonic()
    width, height = (int(v) for v in args.size.split("x"))
    shown = wait_play_screen(keyboard, args.window, width, height, 60)
    zero = shown + LEAD_IN / 1000.0
    print("replay-keys: the play scene showed %d ms after the game started" %
          ((shown - asked) * 1000), file=sys.stderr)
    for at, key, down in events:
        delay = zero + at / 1000.0 - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        keyboard.send(key, down)
        if os.environ.get("KEYRISE_KEYS_SHOT") and not down:
            subprocess.run(["import", "-window", str(args.window),
                            "%s-%05d.png" % (os.environ["KEYRISE_KEYS_SHOT"], at)])
        if os.environ.get("KEYRISE_KEYS_VERBOSE"):
            print("replay-keys: %s %s at %.0f ms (planned %.0f)" %
                  (key, "down" if down else "up", (time.monotonic() - zero) * 1000, at),
                  file=sys.stderr)
    print("replay-keys: %d key events sent" % len(events), file=sys.stderr)

    if args.until_result:
        # Every lane now and then until the result: a held song (wait mode) goes on.
        end = time.monotonic() + 600
        while count(args.trace, "result:") < args.until_result:
            if time.monotonic() > end:
                sys.exit("replay-keys: no result")
            for name in LAYOUTS[args.keys]:
                keyboard.send(name, True)
            time.sleep(0.06)
            for name in LAYOUTS[args.keys]:
                keyboard.send(name, False)
            time.sleep(0.4)


if __name__ == "__main__":
    main()
