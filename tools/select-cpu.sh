#!/usr/bin/env bash
# CPU and memory of the game resting on the song selection, for song folders of several sizes
# (copies of Debian's OpenMSX songs) and one or more builds, alternating, several runs each.
# Usage: select-cpu.sh <source-dir> <scratch-dir> <runs> <count>... -- <label>=<keyrise-binary>...
# e.g.   select-cpu.sh . /tmp/sel 5 10 1000 10000 -- before=/tmp/old/keyrise after=build/keyrise
# Each start: the title menu, Return, the song selection; 3 s to settle, then the process's user +
# system time over 10 s (from /proc/<pid>/stat) as percent of one core, VmRSS and VmHWM. The song
# index is warmed once per folder first (the first start reads and indexes every song). Prints a
# line per start, then per label and count the median and the range of each figure. Needs Xvfb
# and xdotool; the sound goes to SDL's dummy driver.
set -euo pipefail
src="$(realpath "$1")"
work="$(realpath -m "$2")"
runs="$3"
shift 3
counts=()
while [ "$#" -gt 0 ] && [ "$1" != "--" ]; do
  counts+=("$1")
  shift
done
shift
builds=("$@")
mkdir -p "$work"
bin=""
# The harness's cleanup removes "$work": it gets a folder of its own inside the scratch folder.
scratch="$work"
work="$scratch/harness"
mkdir -p "$work"
source "$src/tests/e2e/lib/harness.bash"
openmsx=/usr/share/games/openttd/baseset/openmsx

start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy

# folder <count>: a portable game folder whose data/ holds <count> copies of the OpenMSX songs.
folder() {
  local run="$scratch/run$1"
  if [ ! -f "$run/.filled" ]; then
    rm -rf "$run"
    bash "$src/scripts/prepare-run.sh" "$run" >/dev/null
    find "$run/data" -type f -delete
    local i=0 f
    while [ "$i" -lt "$1" ]; do
      for f in "$openmsx"/*.mid; do
        [ "$i" -lt "$1" ] || break
        cp "$f" "$run/data/$(printf 'song%05d-' "$i")$(basename "$f")"
        i=$((i + 1))
      done
    done
    touch "$run/.filled"
  fi
  echo "$run"
}

ticks() { awk '{ print $14 + $15 }' "/proc/$game_pid/stat"; }
status_kb() { awk -v k="$1" '$1 == k":" { print $2 }' "/proc/$game_pid/status"; }

# measure <binary> <folder>: prints "cpu-percent rss-kB hwm-kB".
measure() {
  bin="$1"
  cd "$2"
  start_game "$work/game.err"
  wait_lit 400x150+200+180 "the title menu" 6000
  # The library reads new songs in the background; wait until the index is written.
  for _ in $(seq 12000); do
    [ -s songindex ] && break
    sleep 0.01
  done
  window="$(xdotool search --name '^Keyrise$' | tail -n1)"
  press Return 0.2
  wait_lit 150x90+5+5 "the song selection" 6000
  sleep 3
  local before after hz
  hz="$(getconf CLK_TCK)"
  before="$(ticks)"
  sleep 10
  after="$(ticks)"
  echo "$(awk -v a="$before" -v b="$after" -v hz="$hz" 'BEGIN { printf "%.1f", (b - a) * 100 / (10 * hz) }')" \
    "$(status_kb VmRSS)" "$(status_kb VmHWM)"
  quit_game
}

for count in "${counts[@]}"; do
  run="$(folder "$count")"
  if [ ! -s "$run/songindex" ]; then
    measure "${builds[0]#*=}" "$run" >/dev/null
  fi
done

results="$scratch/results.txt"
: >"$results"
for ((r = 1; r <= runs; r++)); do
  for count in "${counts[@]}"; do
    for build in "${builds[@]}"; do
      line="${build%%=*} $count $(measure "${build#*=}" "$scratch/run$count")"
      echo "$line" | tee -a "$results"
    done
  done
done

echo "label songs: CPU % median [min-max], VmRSS MB median [min-max], VmHWM MB median [min-max]"
sort -k1,1 -k2,2n -k3,3n "$results" | awk '
  function report(    n, i, m, s, a, b, t) {
    if (count == 0) return
    s = label " " songs ":"
    for (i = 3; i <= 5; i++) {
      n = split(values[i], v, " ")
      for (a = 2; a <= n; a++) for (b = a; b > 1 && v[b - 1] + 0 > v[b] + 0; b--) { t = v[b]; v[b] = v[b - 1]; v[b - 1] = t }
      m = (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
      if (i == 3) s = s sprintf(" %.1f [%.1f-%.1f]", m, v[1], v[n])
      else s = s sprintf(", %.0f [%.0f-%.0f]", m / 1024, v[1] / 1024, v[n] / 1024)
    }
    print s
    count = 0
    delete values
  }
  $1 != label || $2 != songs { report(); label = $1; songs = $2 }
  { for (i = 3; i <= 5; i++) values[i] = values[i] " " $i; count++ }
  END { report() }'
