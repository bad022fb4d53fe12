#!/usr/bin/env bash
# Memory of the real game while one song is the chosen card of the song selection (its preview
# plays through the built-in synthesizer): the resident set size from /proc every 5 s.
# Usage: select-memory.sh <keyrise-binary> <source-dir> <song.mid> [seconds (default 150)]
# Prints "seconds RSS-MB" lines; t=0 is when the song selection was asked for. Needs Xvfb and
# xdotool; the sound goes to SDL's disk driver (written to /dev/null at the pace of a card).
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
song="$(realpath "$3")"
seconds="${4:-150}"
work="$(mktemp -d /tmp/keyrise-memory-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
find "$work/run/data" -type f -delete
ln -s "$song" "$work/run/data/$(basename "$song")"
printf 'videomode 1\nfullscreen 0\n' >"$work/run/config"

start_xvfb 1280x1024x24
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null SDL_DISKAUDIODELAY=46
cd "$work/run"
start_game "$work/game.err"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 2
press Return 0.2 # title: the first entry opens the song selection
for ((t = 0; t <= seconds; t += 5)); do
  alive "at $t s"
  rss_kb="$(awk '/^VmRSS:/ {print $2}' "/proc/$game_pid/status")"
  printf '%d %.0f\n' "$t" "$((rss_kb / 1024))"
  [ "$t" -lt "$seconds" ] && sleep 5
done
grep -i 'synthesizer' "$work/game.err" | sort | uniq -c | head -n 5 >&2 || true
quit_game
