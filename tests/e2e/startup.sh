#!/usr/bin/env bash
# Starts the game on a virtual X display: its window must open and show a picture, Alt+F4 must
# end it with exit code 0, and impossible start-up conditions must end it with one line and 1.
# Usage: startup.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOT=<file.png> to keep the screenshot of the window.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-startup-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null

start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy

# 1. A normal start: the window opens and shows something.
cd "$work/run"
start_game "$work/game.err"
sleep 2
kill -0 "$game_pid" 2>/dev/null || fail "the game ended on its own"
import -window "$window" "$work/shot.png" || fail "cannot take a screenshot"
size="$(identify -format '%w x %h' "$work/shot.png")"
[ "$size" = "800 x 600" ] || fail "window is $size, expected 800 x 600"
not_blank "$work/shot.png" window
if [ -n "${KEYRISE_SCREENSHOT:-}" ]; then
  cp "$work/shot.png" "$KEYRISE_SCREENSHOT"
fi

# 2. Alt+F4 ends the game with exit code 0.
quit_game

# 3. A colour depth no display offers: one line on stderr, exit code 1.
printf 'bpp 99\n' >"$work/run/config"
status=0
timeout 20 "$bin" >"$work/depth.out" 2>"$work/depth.err" || status=$?
[ "$status" -eq 1 ] || fail "exit code with bpp=99 was $status"
[ "$(wc -l <"$work/depth.err")" -eq 1 ] || fail "expected one line on stderr with bpp=99"
grep -q 'video mode' "$work/depth.err" || fail "the bpp=99 message does not name the video mode"
rm "$work/run/config"

# 4. No X display (with the X driver named, so the game tries it): one line saying that SDL could
# not start and why, exit code 1. The reason's words are SDL's own and differ between builds
# ("No available video device" with SDL 1.2, "x11 not available" with SDL 1.2 on SDL 2).
status=0
timeout 20 env -u DISPLAY "$bin" >"$work/nodisplay.out" 2>"$work/nodisplay.err" || status=$?
[ "$status" -eq 1 ] || fail "exit code without a display was $status"
[ "$(wc -l <"$work/nodisplay.err")" -eq 1 ] || fail "expected one line on stderr without a display"
grep -q 'cannot initialise SDL: [^ ]' "$work/nodisplay.err" || fail "the message lacks SDL's reason"

echo "startup: window, picture, Alt+F4 and start-up failures as expected"
