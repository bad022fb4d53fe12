#!/usr/bin/env bash
# Plays through the menus of the real game on a virtual X display, driven by xdotool: title menu,
# song selection (carousel and part), a song in Auto Play to its result screen, back out; the
# score file gets the new record and config stays as it was; a trim of the song's offset; options (number of keys, speed,
# save) and key configuration (bind a lane, save) write config; Alt+F4 ends with exit code 0.
# The song selection's preview must sound within a second (SDL's disk audio driver records it).
# Usage: menus.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots (screen-title.png, ...) there.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-menus-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

# A fresh working folder with three songs, the short one of ours first in name order.
bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
find "$work/run/data" -type f ! -name 'Fanfare.mid' ! -name 'Greensleeves.mid' \
  ! -name 'Twinkle.mid' -delete
[ -f "$work/run/data/Fanfare.mid" ] || fail "the short song Fanfare.mid is missing"
printf 'videomode 1\nfullscreen 0\n' >"$work/run/config"
config_before="$(cat "$work/run/config")"

start_xvfb 1280x1024x24
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
# The disk driver writes one 1024-frame buffer per delay: 46 ms keeps it near real time.
export SDL_DISKAUDIODELAY=46

cd "$work/run"
start_game "$work/game.err"
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool mousemove --window "$window" 10 10 2>/dev/null || true

previous=""
# shot <name>: screenshot of the window; it must not be blank and must differ from the last one.
shot() {
  screenshot "screen-$1"
  local file="$work/screen-$1.png"
  if [ -n "$previous" ]; then
    local diff
    diff="$(compare -metric AE "$previous" "$file" null: 2>&1 || true)"
    [ "${diff%% *}" != "0" ] || fail "screen $1 did not change"
  fi
  previous="$file"
}

# Bytes of non-silent 16-bit samples in a byte range of the recorded audio.
loud_samples() {
  /usr/bin/python3 - "$work/audio.raw" "$1" "$2" <<'PY'
import struct, sys
path, start, end = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
with open(path, 'rb') as f:
    f.seek(start - start % 2)
    data = f.read(max(0, end - start))
count = sum(1 for (v,) in struct.iter_unpack('<h', data[:len(data) // 2 * 2]) if abs(v) > 64)
print(count)
PY
}

sleep 3
shot title

# Song selection: enter, turn the carousel there and back, choose part 1 (20 notes: the
# Auto Play game ends with a result before 25 misses empty the life meter).
entered="$(stat -c %s "$work/audio.raw")"
press Return 1.2
loud="$(loud_samples "$entered" $((entered + 22050 * 4)))"
[ "$loud" -gt 100 ] || fail "no preview sound within a second of the song selection ($loud samples)"
echo "preview: $loud non-silent samples in the first second of the song selection"
press Right 0.6
press Left 0.6
press Up 0.8
shot select

press Return 8
shot play
wait_result 1 "$work/game.err"
sleep 1
shot result
[ -s "$work/run/data/Fanfare.mid.score" ] && fail "the score file was written before leaving the selection"
press Return 1.5 # back to the song selection
# The game was recorded: the newest (only) file of replays/ and the best game beside the
# records; the program plays it again headless to the result it recorded.
replays=("$work/run/replays/"*.replay)
[ -s "${replays[0]}" ] && [ "${#replays[@]}" -eq 1 ] || fail "the game played was not kept in replays/"
[ -s "$work/run/data/Fanfare.mid.ins1_key4.replay" ] || fail "the best game was not kept beside the records"
(cd "$work/run" && "$bin" --replay "${replays[0]}") >"$work/replay.out" 2>"$work/replay.err" ||
  fail "the recorded game did not replay to its result: $(cat "$work/replay.err")"
sed -n '/^score /,$p' "${replays[0]}" | diff - "$work/replay.out" >&2 ||
  fail "--replay printed another result than the one recorded"
press Escape 1.5 # back to the title menu
score="$work/run/data/Fanfare.mid.score"
[ -s "$score" ] || fail "no score file for the song played"
grep -qx 'highrate_ins1_key4 0' "$score" || fail "the new rate record is not in the score file"
[ ! -e "$work/run/data/Greensleeves.mid.score" ] || fail "a song not played got a score file"
[ "$(cat "$work/run/config")" = "$config_before" ] || fail "config changed by playing"

# The song's own offset: two steps down on the selection are in its score file at once.
press Return 1.2
press bracketleft
press bracketleft 0.8
grep -qx 'offset -2' "$score" || fail "the trimmed offset is not in the score file: $(cat "$score")"
grep -qx 'highrate_ins1_key4 0' "$score" || fail "the trim lost the record"
press Escape 1.5

# Options: 6 keys, speed 110 %, save.
press Right
press Return 1.2
press Down
press Down
press Right
press Right
for _ in 1 2 3 4 5 6; do press Down 0.15; done
press Right
shot options
press Return
press Return 1.2
expected=$'AutoPlay 1\ndevid 0\nfullscreen 0\nkeynum 6\nmididev 0\nscrollmode 0\nshowkey 1\nspeed 110\nvideomode 1'
[ "$(cat "$work/run/config")" = "$expected" ] || fail "config after the options: $(cat "$work/run/config")"

# Key configuration: bind lane 1 to A, save.
press Return 1.2
press Down
press Down
press Down
press Return 1.2
press Return
press a 0.5
shot keyconfig
press Up
press Return 1.2
grep -qx 'key0 A' "$work/run/config" || fail "key0 was not saved as A"
grep -qx 'keynum 6' "$work/run/config" || fail "the options were lost by the key configuration"
press Escape 1.2 # options closed without saving, back to the title menu

quit_game
echo "menus end-to-end: ok"
