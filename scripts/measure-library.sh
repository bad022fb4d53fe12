#!/usr/bin/env bash
# Measures the game with a large song folder under a virtual X display: a folder of <count>
# copies of the game's and Debian's songs, started twice (the first start builds the song
# index, the second reuses it). Prints, per start: time to the title menu, time until the song
# index file was written (when the game writes one), resident memory at the title and on the
# song selection, peak memory and the time from Alt+F4 to the end of the process.
# Usage: measure-library.sh <keyrise-binary> <source-dir> <count> [scratch-dir]
# Environment: INDEX_WAIT seconds to wait for the index file on the first start (default 120;
# 0 for a game that writes none), STARTS the starts to run (default "first second").
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
count="$3"
work="$(realpath -m "${4:-$(mktemp -d /tmp/keyrise-measure-XXXXXX)}")"
mkdir -p "$work"
source "$src/tests/e2e/lib/harness.bash"
trap 'cleanup_measure' EXIT
cleanup_measure() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work/run"
}

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
fill_songs "$count" 'song%05d-'

start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy
cd "$work/run"

status_of() { awk -v k="$1" '$1 == k":" { printf "%.0f MB", $2 / 1024 }' "/proc/$game_pid/status"; }
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }

index_wait="${INDEX_WAIT:-120}"
for start in ${STARTS:-first second}; do
  started=$(now)
  "$bin" >"$work/game.out" 2>"$work/game.err" &
  game_pid=$!
  window="$(timeout 60 xdotool search --sync --name '^Keyrise$' | head -n1)" || fail "no window"
  wait_lit 400x150+200+180 "the title menu" 6000
  title=$(now)
  title_rss="$(status_of VmRSS)"
  indexed="-"
  if [ "$start" = first ]; then
    for _ in $(seq $((index_wait * 100))); do
      [ -s songindex ] && { indexed="$(seconds "$started" "$(now)") s"; break; }
      kill -0 "$game_pid" 2>/dev/null || break
      sleep 0.01
    done
  fi
  xdotool windowfocus "$window" 2>/dev/null || true
  xdotool keydown --window "$window" Return
  sleep 0.05
  xdotool keyup --window "$window" Return
  pressed=$(now)
  wait_lit 150x90+5+5 "the song selection" 6000
  selection=$(now)
  sleep 1
  select_rss="$(status_of VmRSS)"
  peak="$(status_of VmHWM)"
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool key --window "$window" --clearmodifiers alt+F4 2>/dev/null || true
  asked=$(now)
  for _ in $(seq 3000); do
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.01
  done
  kill -0 "$game_pid" 2>/dev/null && fail "Alt+F4 did not end the game"
  ended=$(now)
  wait "$game_pid" || true
  game_pid=""
  echo "$count songs, $start start: title $(seconds "$started" "$title") s ($title_rss)," \
    "index written $indexed, selection $(seconds "$pressed" "$selection") s ($select_rss)," \
    "peak $peak, quit $(seconds "$asked" "$ended") s"
done
