#!/usr/bin/env bash
# Screenshots of the same moment of a real game and of its replay being watched, compared: a
# game of Fanfare played with the keyboard on a virtual X display, paused at a song time (the
# balls stand still), then watched again from the result screen; the watched replay pauses at
# the same song time. The two pictures must be identical apart from the replay's mark, and
# watching must add nothing to the song's history or the replays folder.
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
meter="0,0,11,479" # the life meter's strip at the left edge (640 x 480)
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

# settle <what>: after a key that changes the screen, waits (up to 30 s, the machine may be
# busy) until the window shows something other than "$work/before.png" and stands still.
settle() {
  local last="" now i
  for i in $(seq 150); do
    alive "$1"
    import -window "$window" "$work/settle.png" 2>/dev/null || { sleep 0.2; continue; }
    now="$(md5sum <"$work/settle.png")"
    if [ "$now" = "$last" ] && [ "$(differ "$work/before.png" "$work/settle.png")" != 0 ]; then
      return 0
    fi
    last="$now"
    sleep 0.2
  done
  echo "note: $1 did not settle in 30 s" >&2
}
# wait_ready: the player (replay-keys.py, pid $player) must watch before the game starts, or it
# may miss the first ball and the pause (the game pauses 3 s after it shows): on a busy machine
# it takes a while to start. Up to 60 s.
wait_ready() {
  for _ in $(seq 600); do
    [ -e "$work/ready" ] && break
    kill -0 "$player" 2>/dev/null || break
    sleep 0.1
  done
  [ -e "$work/ready" ] || fail "the player did not get ready"
  rm -f "$work/ready" "$work/ready.play"
}
differ() { compare -metric AE "$1" "$2" null: 2>&1 | awk '{ print $1 }' || true; }

open_game "$work/game.err"
size="$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')"
import -window "$window" "$work/before.png"
press Return 0.1
settle "the song selection"
cp "$work/settle.png" "$work/before.png"
press Up 0.1 # part 1
settle "the choice of part 1"
xdotool windowfocus --sync "$window" 2>/dev/null || true
# Paused for 6 s at song time 1468 ms, 350 ms before the part's first note (no judgement fades
# on the screen yet, and the player has seen the first ball rise); the screenshot 3.2 s after
# the balls are seen standing still, when even the timing ticks of hits that a busy machine let
# come before the pause have faded (they fade on the wall clock).
python3 "$src/scripts/replay-keys.py" --trace "$work/game.err" --song "$song" --part 1 \
  --after 0 --window "$window" --size "$size" --style good --pause 1468:6000 \
  --shot-paused "3200:$work/game.png" --ready "$work/ready" &
player=$!
wait_ready
press Return 0.1
wait "$player" || fail "the player stopped"
for _ in $(seq 600); do
  grep -q '^result:' "$work/game.err" && break
  alive "the game"
  sleep 0.1
done
grep '^result:' "$work/game.err" || fail "no result"

# The same game watched from the result screen: the same pause, the screenshot as long after
# the balls stand still.
python3 "$src/scripts/replay-keys.py" --song "$song" --part 1 --window "$window" \
  --size "$size" --style none --shot-paused "3200:$work/watched.png" --ready "$work/ready" &
player=$!
wait_ready
# The result screen may take a while to take keys on a busy machine: the key is pressed again
# until the player sees the play scene (10 s apart, up to 6 times).
for _ in 1 2 3 4 5 6; do
  press "$watch_key" 0.1
  for _ in $(seq 100); do
    [ -e "$work/ready.play" ] && break 2
    sleep 0.1
  done
done
wait "$player" || fail "the watched replay did not show the play scene (key $watch_key)"
alive "watching"

# Identical once the mark's area is blacked out in both, and the life meter's strip: it
# scrolls with the wall clock (a frame every 33 ms), also while the game is paused, so two
# screenshots of one paused game differ there too.
IFS=, read -r x0 y0 x1 y1 <<<"$mark"
for f in game watched; do
  convert "$work/$f.png" -fill black -draw "rectangle $x0,$y0 $x1,$y1" \
    -draw "rectangle $meter" "$work/$f-masked.png"
  convert "$work/$f.png" -fill black -draw "rectangle $meter" "$work/$f-nometer.png"
done
all="$(differ "$work/game.png" "$work/watched.png")"
mark_only="$(differ "$work/game-nometer.png" "$work/watched-nometer.png")"
outside="$(differ "$work/game-masked.png" "$work/watched-masked.png")"
echo "pixels that differ: $all in all, $mark_only without the meter's strip, $outside outside" \
  "the mark ($mark) and the strip ($meter)"
mkdir -p "$out"
convert "$work/game.png" -strip -define png:compression-level=9 "$out/replay-game.png"
convert "$work/watched.png" -strip -define png:compression-level=9 "$out/replay-watched.png"
[ "$outside" = 0 ] || fail "the game and its replay differ outside the mark"
[ "$mark_only" != 0 ] || fail "the replay shows no mark"

# The watched game plays on to its own result, which adds nothing to what the player keeps:
# the song's history and the replays folder still hold the one game played.
for _ in $(seq 600); do
  [ "$(grep -c '^result:' "$work/game.err")" -ge 2 ] && break
  alive "watching"
  sleep 0.1
done
[ "$(grep -c '^result:' "$work/game.err")" -ge 2 ] || fail "the watched game reached no result"
games="$(grep -cv '^\(#\|keyrise-history\)' "$work/run/data/Fanfare.mid.history" || true)"
[ "$games" = 1 ] || fail "the song's history holds $games games after one game and its replay"
replays="$(find "$work/run/replays" -name '*.replay' | wc -l)"
[ "$replays" = 1 ] || fail "the replays folder holds $replays replays after one game and its replay"
press Return 1
quit_game
echo "screenshots in $out"
