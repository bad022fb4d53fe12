#!/usr/bin/env bash
# Screenshots of the same moment of a real game and of its replay being watched, compared: a
# game of Fanfare played with the keyboard on a virtual X display, paused at a song time (the
# balls stand still), then watched again from the result screen; the watched replay pauses at
# the same song time. The two pictures must be identical apart from the replay's mark.
# Usage: scripts/replay-screenshots.sh [keyrise-binary] [out-folder]
#        (defaults: build/keyrise, docs); writes <out>/replay-game.png, <out>/replay-watched.png.
#        KEYRISE_WATCH_KEY: the result screen's key that watches the game again (default v);
#        KEYRISE_REPLAY_MARK: the mark's area as x0,y0,x1,y1 pixels (default: its place at
#        640 x 480, the top right corner under the targets).
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath "${1:-$src/build/keyrise}")"
out="$(realpath -m "${2:-$src/docs}")"
watch_key="${KEYRISE_WATCH_KEY:-v}"
mark="${KEYRISE_REPLAY_MARK:-440,40,639,120}"
export KEYRISE_SONGINFO="${KEYRISE_SONGINFO:-$(dirname "$bin")/songinfo}"
work="$(mktemp -d /tmp/keyrise-replayshots-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

prepare_fanfare_run
printf 'videomode 2\nfullscreen 0\nlanguage en\n' >"$work/run/config"
start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy
unset LANGUAGE LC_MESSAGES
cd "$work/run"
song="$work/run/data/Fanfare.mid"

open_game "$work/game.err"
size="$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')"
press Return 1.5
press Up 0.3 # part 1
xdotool windowfocus --sync "$window" 2>/dev/null || true
# Paused at song time 1000 ms (before the first note: no judgement fades on the screen) for
# 3 s; the screenshot in the middle of the pause.
python3 "$src/scripts/replay-keys.py" --trace "$work/game.err" --song "$song" --part 1 \
  --after 0 --window "$window" --size "$size" --style good --pause 1000:3000 \
  --shot "2500:$work/game.png" &
player=$!
press Return 0.1
wait "$player" || fail "the player stopped"
for _ in $(seq 600); do
  grep -q '^result:' "$work/game.err" && break
  alive "the game"
  sleep 0.1
done
grep '^result:' "$work/game.err" || fail "no result"
sleep 1

# The same game watched from the result screen: the same pause, the same screenshot.
python3 "$src/scripts/replay-keys.py" --song "$song" --part 1 --window "$window" \
  --size "$size" --style none --shot "2500:$work/watched.png" &
player=$!
press "$watch_key" 0.1
wait "$player" || fail "the watched replay did not show the play scene (key $watch_key)"
alive "watching"

# Identical once the mark's area is blacked out in both.
IFS=, read -r x0 y0 x1 y1 <<<"$mark"
for f in game watched; do
  convert "$work/$f.png" -fill black -draw "rectangle $x0,$y0 $x1,$y1" "$work/$f-masked.png"
done
outside="$(compare -metric AE "$work/game-masked.png" "$work/watched-masked.png" null: 2>&1 || true)"
inside="$(compare -metric AE "$work/game.png" "$work/watched.png" null: 2>&1 || true)"
echo "pixels that differ: ${inside%% *} in all, ${outside%% *} outside the mark ($mark)"
mkdir -p "$out"
convert "$work/game.png" -strip -define png:compression-level=9 "$out/replay-game.png"
convert "$work/watched.png" -strip -define png:compression-level=9 "$out/replay-watched.png"
[ "${outside%% *}" = 0 ] || fail "the game and its replay differ outside the mark"
[ "${inside%% *}" != 0 ] || fail "the replay shows no mark"
quit_game
echo "screenshots in $out"
