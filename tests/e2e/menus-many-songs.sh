#!/usr/bin/env bash
# Starts the real game with 200 songs in data/ (copies of the game's and Debian's songs) on a
# virtual X display: the title menu and the song selection must come up. Prints how long each
# took and the peak memory (figures only, nothing is asserted on them).
# Usage: menus-many-songs.sh <keyrise-binary> <source-dir> [song count]
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
count="${3:-200}"
work="$(mktemp -d /tmp/keyrise-many-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
fill_songs "$count" 'song%03d-'

start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy

cd "$work/run"
started=$(date +%s.%N)
start_game "$work/game.err"

# A line of the game's /proc status (VmRSS now, VmHWM the peak so far).
status_of() { grep "$1" "/proc/$game_pid/status" | awk '{ print $2 " kB" }'; }

wait_lit 400x150+200+180 "the title menu" # the logo
title=$(date +%s.%N)
title_rss="$(status_of VmRSS)"
xdotool windowfocus "$window" 2>/dev/null || true
xdotool keydown --window "$window" Return
sleep 0.08
xdotool keyup --window "$window" Return
pressed=$(date +%s.%N)
wait_lit 150x90+5+5 "the song selection" # the rate panel at the top left
selection=$(date +%s.%N)
sleep 0.5
select_rss="$(status_of VmRSS)"
peak="$(status_of VmHWM)"

quit_game
songs="$(ls "$work/run/data" | grep -c '\.mid$')"
echo "songs: $songs"
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
echo "start to title menu: $(seconds "$started" "$title") s (resident $title_rss)"
echo "ok to song selection shown: $(seconds "$pressed" "$selection") s (resident $select_rss)"
echo "peak resident: $peak"
