#!/usr/bin/env python3
"""Plays one game of the real game with the keyboard, as a player would: presses the lanes of a
song's part at chosen times through the X server's XTEST extension (the game's window must have
the focus). The song's clock is found as a player finds it, by watching the first ball rise to
its target (read through XGetImage); how far off that is does not matter for a recording, since
the game records whatever it judged.

Usage: replay-keys.py --window ID --size WxH --song FILE.mid --part N [--trace FILE [--after N]]
                      [--keys K] [--tempo PERCENT] [--style good|poor|none|wait] [--aim MS]
                      [--action SONG_MS:KEY[:HOLD_MS]]... [--pause SONG_MS:WAIT_MS]
                      [--shot MS:FILE]... [--shot-paused DELAY_MS:FILE] [--until-result N]
                      [--ready FILE] [--seed S]
The notes come from the songinfo tool (its --events table), found in build/ beside this script
or given by $KEYRISE_SONGINFO. With --trace (the game's stderr) it first waits for one
"addscene" line more than --after; it ends once it pressed its last key, or with --until-result
N once the trace holds N "result:" lines (pressing every lane now and then meanwhile, so that
wait mode never stalls).
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
PAUSED = "paused:"  # marks a screenshot taken once the game is seen paused
COUNT_IN = 1500  # ms from Resume in the pause menu to the song going on
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


    def grab(self, window, x, y, width, height):
        """The pixels (0xRRGGBB) of a strip of the window, row by row; None when it cannot be
        read (the window is being replaced)."""
        image = self.x11.XGetImage(self.display, window, x, y, width, height, 0xFFFFFFFF, 2)
        if not image:
            return None
        pixels = [self.x11.XGetPixel(image, i, j) & 0xFFFFFF
                  for j in range(height) for i in range(width)]
        self.x11.XDestroyImage(image)
        return pixels


def lit_runs(pixels):
    """(first, last) index of each run of lit (non-black) pixels."""
    runs, start = [], None
    for i, p in enumerate(pixels + [0]):
        if p and start is None:
            start = i
        elif not p and start is not None:
            runs.append((start, i - 1))
            start = None
    return runs


def scale_top(pixels):
    """The play scene shows the centre mark of its timing scale under the targets: the first
    lit pixel of the screen's middle column, from the top, starts a short white line. Its row,
    or None when the window shows something else."""
    for y in range(len(pixels) // 3):
        if pixels[y] != 0:
            if pixels[y] == 0xFFFFFF and all(p == 0xFFFFFF for p in pixels[y:y + 5]):
                return y
            return None
    return None


class Screen:
    """What the play scene shows on the window, read through XGetImage."""

    def __init__(self, keyboard, window, width, height):
        self.keyboard, self.window, self.width, self.height = keyboard, window, width, height

    def wait_play(self, timeout, count):
        """Waits for the play scene with 'count' lanes: the mark of its timing scale in the
        middle column (which lies 8 pixels under the targets, a ball high) and a target per
        lane. The x of each lane's centre: the middle of its target's top edge."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            for x in (self.width // 2 - 1, self.width // 2):
                pixels = self.keyboard.grab(self.window, x, 0, 1, self.height)
                top = scale_top(pixels) if pixels else None
                if top and top > 8:
                    self.ball = top - 8
                    lanes = self.lanes(count)
                    if lanes:
                        return lanes
            time.sleep(0.002)
        sys.exit("replay-keys: no play scene with %d lanes appeared" % count)

    def lanes(self, count):
        for y in range(1, max(2, self.ball // 4)):
            row = self.keyboard.grab(self.window, 0, y, self.width, 1) or []
            runs = lit_runs(row)
            if len(runs) == count:
                return [(a + b) // 2 for a, b in runs]
        return None

    def still_shot(self, x, delay, path, timeout):
        """Once the balls in the lane at x stand still (the game is paused: the same picture of
        that lane, with a ball in it, for 300 ms), a screenshot 'delay' ms later, kept only when
        the lane still looked the same before and after it: on a busy machine a game that
        merely stalled for a moment is not taken for a paused one."""
        top, bottom = 2 * self.ball, self.height - 2 * self.ball
        last, since = None, None
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pixels = self.keyboard.grab(self.window, x, top, 1, bottom - top)
            now = time.monotonic()
            if not (pixels and any(pixels) and pixels == last):
                last, since = pixels, now
            elif now - since >= 0.3:
                time.sleep(delay / 1000.0)
                if self.keyboard.grab(self.window, x, top, 1, bottom - top) == last:
                    subprocess.run(["import", "-window", str(self.window), path], check=True)
                    if self.keyboard.grab(self.window, x, top, 1, bottom - top) == last:
                        return
                last, since = None, None
                continue
            time.sleep(0.01)
        sys.exit("replay-keys: the game did not pause")

    def ball_meets_target(self, x, timeout):
        """Watches the first ball rise in the lane at x; the monotonic time (s) its centre
        meets the target's centre. A frame reaches the screen, and this watcher, some time after
        the game drew it, the more so on a busy machine: each picture is taken at the moment it
        was first seen, the rise's slope is fitted to those, and the line is laid under all of
        them (the least late sighting), not through their middle."""
        top, bottom = 2 * self.ball, self.height - 2 * self.ball
        seen = []
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            pixels = self.keyboard.grab(self.window, x, top, 1, bottom - top)
            now = time.monotonic()
            runs = lit_runs(pixels) if pixels else []
            if runs:
                first, last = runs[0]
                if first > 0 and last - first >= self.ball // 2:
                    y = top + (first + last) / 2.0
                    if seen and y > seen[-1][1] + self.ball / 2.0:
                        break  # a later ball: the one watched left the band unseen
                    if not seen or y != seen[-1][1]:
                        seen.append((now, y))
                    # Half the band and a quarter of a second of rise are enough, and leave
                    # time to act before the note.
                    if (len(seen) >= 5 and seen[-1][1] < (top + bottom) / 2.0 and
                            now - seen[0][0] >= 0.25) or seen[-1][1] < top + (bottom - top) / 5.0:
                        break
                elif first == 0 and len(seen) >= 3:
                    break  # leaving the watched band
            time.sleep(0.002)
        if os.environ.get("KEYRISE_KEYS_VERBOSE"):
            print("replay-keys: seen %s" % [(round((t - seen[0][0]) * 1000), y) for t, y in seen],
                  file=sys.stderr)
        if len(seen) < 3:
            sys.exit("replay-keys: the first ball was not seen rising")
        n = len(seen)
        mt = sum(t for t, _ in seen) / n
        my = sum(y for _, y in seen) / n
        slope = sum((t - mt) * (y - my) for t, y in seen) / sum((t - mt) ** 2 for t, _ in seen)
        if slope >= 0:
            sys.exit("replay-keys: the first ball did not rise (seen at %s)" % seen)
        # Rising, a late picture lies below the line (greater y): the line goes through the
        # sighting furthest above it.
        base = min(y - slope * t for t, y in seen)
        return (self.ball / 2.0 - base) / slope


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


def first_note(args):
    """Song ms and lane of the part's first note."""
    at, note = min(notes_of(args.song, args.part))
    return at, note % args.keys


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
    if args.pause:
        # P at a song time, Resume (Return) some ms later: the song goes on a count-in after
        # that, so everything planned after the pause comes that much later.
        at, wait = (int(v) for v in args.pause.split(":"))
        paused = at * scale
        events = [(e[0] + (wait + COUNT_IN if e[0] > paused else 0), e[1], e[2]) for e in events]
        events += [(paused, "p", True), (paused + 80, "p", False),
                   (paused + wait, "Return", True), (paused + wait + 80, "Return", False)]
    if args.shot_paused and args.pause:
        events.append((paused + 50, PAUSED + args.shot_paused, None))
    for shot in args.shot:
        at, path = shot.split(":", 1)
        events.append((float(at), path, None))
    # Release before press at the same moment, so that a lane pressed twice goes up between.
    events.sort(key=lambda e: (e[0], e[2] is not None, bool(e[2])))
    return events


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--trace", default="",
                        help="the game's stderr; without it the play scene is waited for at once "
                             "(a replay being watched)")
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
    parser.add_argument("--pause", default="",
                        help="SONG_MS:WAIT_MS, P at a song time and Resume that many ms later")
    parser.add_argument("--shot", action="append", default=[],
                        help="MS:FILE, a screenshot of the window that many ms after the song's "
                             "start on the wall clock (pauses included)")
    parser.add_argument("--shot-paused", default="",
                        help="DELAY_MS:FILE, a screenshot that many ms after the game is seen "
                             "paused (the first note's lane stands still): with --pause after "
                             "that pause, without it (a game being watched) after the first one")
    parser.add_argument("--ready", default="",
                        help="FILE, made once the player watches for the play scene: the key "
                             "that starts the game is pressed after that; FILE.play once it "
                             "saw the play scene")
    parser.add_argument("--until-result", type=int, default=0)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    if args.keys not in LAYOUTS:
        sys.exit("replay-keys: 1-12 keys")

    rng = random.Random(args.seed)
    events = plan(args, rng)
    keyboard = Keyboard()
    scale = 100.0 / args.tempo
    for name in set(e[1] for e in events if e[2] is not None):
        keyboard.code(name)

    width, height = (int(v) for v in args.size.split("x"))
    screen = Screen(keyboard, args.window, width, height)
    first_at, first_lane = first_note(args)
    started = args.after if args.after >= 0 else count(args.trace, "addscene")
    if args.ready:
        open(args.ready, "w").close()
    if args.trace:
        wait_for(args.trace, "addscene", started + 1, 60)
    asked = time.monotonic()
    x = screen.wait_play(60, args.keys)[first_lane]
    if args.ready:
        open(args.ready + ".play", "w").close()
    if args.shot_paused and not args.pause:
        # A game being watched: the screenshot once it pauses, nothing pressed.
        delay, path = args.shot_paused.split(":", 1)
        screen.still_shot(x, int(delay), path, 60 + first_at * scale / 1000.0)
        return
    # The planned Resume (ms after the song's start on the wall clock).
    pause_at, pause_wait = (int(v) for v in (args.pause or "0:0").split(":"))
    resume_at = pause_at * scale + pause_wait
    meets = screen.ball_meets_target(x, 60 + first_at * scale / 1000.0)
    zero = meets - first_at * scale / 1000.0
    print("replay-keys: the first ball meets its target %d ms after the game started" %
          ((meets - asked) * 1000), file=sys.stderr)
    for at, key, down in events:
        delay = zero + at / 1000.0 - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        if down is None:
            if key.startswith(PAUSED):
                delay, path = key[len(PAUSED):].split(":", 1)
                screen.still_shot(x, int(delay), path, 30)
                # A screenshot that took longer than the pause (a busy machine) makes the pause
                # longer: what follows it comes that much later.
                late = time.monotonic() + 0.3 - (zero + resume_at / 1000.0)
                if late > 0:
                    zero += late
            else:
                subprocess.run(["import", "-window", str(args.window), key], check=True)
            continue
        keyboard.send(key, down)
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
