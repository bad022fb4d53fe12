#!/usr/bin/env bash
# Starts the game on a virtual X display: its window must open and show a picture, Alt+F4 must
# end it with exit code 0, and impossible start-up conditions must end it with one line and 1.
# Usage: startup.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOT=<file.png> to keep the screenshot of the window.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-startup-XXXXXX)"
xvfb_pid=""
game_pid=""

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.err; do
    [ -f "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  exit 1
}

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null

# A virtual X server on a display number it picks itself (written to the pipe).
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
export SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy

# 1. A normal start: the window opens and shows something.
cd "$work/run"
"$bin" >"$work/game.out" 2>"$work/game.err" &
game_pid=$!
window="$(timeout 20 xdotool search --sync --name '^Keyrise$' | head -n1)" ||
  fail "no window named Keyrise appeared"
sleep 2
kill -0 "$game_pid" 2>/dev/null || fail "the game ended on its own"
import -window "$window" "$work/shot.png" || fail "cannot take a screenshot"
size="$(identify -format '%w x %h' "$work/shot.png")"
[ "$size" = "800 x 600" ] || fail "window is $size, expected 800 x 600"
spread="$(identify -format '%[fx:standard_deviation]' "$work/shot.png")"
awk -v s="$spread" 'BEGIN { exit !(s > 0.005) }' || fail "the window is blank (spread $spread)"
if [ -n "${KEYRISE_SCREENSHOT:-}" ]; then
  cp "$work/shot.png" "$KEYRISE_SCREENSHOT"
fi

# 2. Alt+F4 ends the game with exit code 0.
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4
status=0
for _ in $(seq 100); do
  kill -0 "$game_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$game_pid" 2>/dev/null; then
  fail "Alt+F4 did not end the game"
fi
wait "$game_pid" || status=$?
game_pid=""
[ "$status" -eq 0 ] || fail "exit code after Alt+F4 was $status"

# 3. A colour depth no display offers: one line on stderr, exit code 1.
printf 'bpp 99\n' >"$work/run/config"
status=0
timeout 20 "$bin" >"$work/depth.out" 2>"$work/depth.err" || status=$?
[ "$status" -eq 1 ] || fail "exit code with bpp=99 was $status"
[ "$(wc -l <"$work/depth.err")" -eq 1 ] || fail "expected one line on stderr with bpp=99"
grep -q 'video mode' "$work/depth.err" || fail "the bpp=99 message does not name the video mode"
rm "$work/run/config"

# 4. No X display: one line with SDL's reason, exit code 1.
status=0
timeout 20 env -u DISPLAY "$bin" >"$work/nodisplay.out" 2>"$work/nodisplay.err" || status=$?
[ "$status" -eq 1 ] || fail "exit code without a display was $status"
[ "$(wc -l <"$work/nodisplay.err")" -eq 1 ] || fail "expected one line on stderr without a display"
grep -q 'video device' "$work/nodisplay.err" || fail "the message lacks SDL's reason"

echo "startup: window, picture, Alt+F4 and start-up failures as expected"
