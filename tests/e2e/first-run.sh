#!/usr/bin/env bash
# A first run on a machine without a usable sound device and with a song folder that cannot be
# written: the real game starts muted (one line on stderr), plays a song to its result, keeps
# the new record while the folder is read-only and writes it when the song selection is left
# after the folder became writable; Alt+F4 ends it with exit code 0.
# Usage: first-run.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots (first-title.png, ...) there.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-first-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
find "$work/run/data" -type f ! -name 'Fanfare.mid' -delete
printf 'videomode 1\n' >"$work/run/config"

# The song folder must be read-only for the game. Root writes anywhere, so as root the game
# runs as "nobody", who may write the working folder but not the song folder.
runner=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody "$work/run"
  chown root "$work/run/data"
  chmod 755 "$work/run/data"
  runner=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  make_writable() { chown nobody "$work/run/data"; }
else
  chmod a-w "$work/run/data"
  make_writable() { chmod u+w "$work/run/data"; }
fi

start_xvfb 1280x1024x24
# An audio driver that cannot open stands for a machine without a sound device.
export SDL_AUDIODRIVER=no-such-driver

cd "$work/run"
start_game "$work/game.err"
xdotool windowfocus --sync "$window" 2>/dev/null || true

sleep 3
screenshot first-title
grep -q 'cannot open the audio device.*playing without sound' "$work/game.err" ||
  fail "no line on stderr about playing without sound"
[ "$(grep -c 'audio' "$work/game.err")" -eq 1 ] || fail "more than one line about the audio device"

# Song selection, part 1 (20 notes: Auto Play reaches the result screen), play it through.
press Return 1.2
press Up 0.8
press Return 1
alive play
wait_result 1 "$work/game.err"
sleep 1
screenshot first-result
press Return 1.5 # back to the song selection: the record cannot be written
screenshot first-select-notice
score="$work/run/data/Fanfare.mid.score"
[ -e "$score" ] && fail "a score file appeared in the read-only folder"

make_writable
press Escape 1.5 # leaving the selection writes the kept record
[ -s "$score" ] || fail "the record was not written on leaving the selection"
grep -qx 'highrate_ins1_key4 0' "$score" || fail "the new rate record is not in the score file"

quit_game
echo "first run: muted start, read-only song folder, record kept and written later: ok"
