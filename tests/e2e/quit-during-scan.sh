#!/usr/bin/env bash
# Alt+F4 on the title menu while the first reading of a large song library is under way: every
# run must end with exit code 0, keep the records already stored, and leave an index that the
# next start finds. The songs are copies of the game's and Debian's songs in sub-folders.
# Usage: quit-during-scan.sh <keyrise-binary> <source-dir> [songs] [rounds] [delays in s...]
# (default 1500 songs, 1 round, quitting 1 and 2 s after the window shows; the full check is
# 10000 songs, 4 rounds, delays 1 2 3).
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
count="${3:-1500}"
rounds="${4:-1}"
shift $(($# < 4 ? $# : 4))
delays=("$@")
[ ${#delays[@]} -gt 0 ] || delays=(1 2)
work="$(mktemp -d /tmp/keyrise-quitscan-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
mkdir -p "$work/songs"
mv "$work/run/data/"*.mid "$work/songs/"
# 100 songs a sub-folder, as a player's collection of albums would be.
i=0
while [ "$i" -lt "$count" ]; do
  for f in "$work/songs/"*.mid; do
    [ "$i" -lt "$count" ] || break
    folder="$work/run/data/album$((i / 100))"
    mkdir -p "$folder"
    cp "$f" "$folder/$(printf 'song%05d-' "$i")$(basename "$f")"
    i=$((i + 1))
  done
done
# A record stored by an earlier game, which no quit may lose.
first="$(cd "$work/run/data" && ls album0/*.mid | head -n1)"
printf 'highscore_ins0_key4 123456\nhighrate_ins0_key4 3\n' >"$work/run/data/$first.score"
cp "$work/run/data/$first.score" "$work/record.expected"

start_xvfb 800x600x24
export SDL_AUDIODRIVER=dummy
cd "$work/run"
runs=0
for round in $(seq "$rounds"); do
  for delay in "${delays[@]}"; do
    rm -f songindex
    start_game "$work/game.err"
    sleep "$delay"
    alive "round $round, ${delay} s"
    quit_game # fails unless the exit code is 0
    runs=$((runs + 1))
    cmp -s "data/$first.score" "$work/record.expected" ||
      fail "the stored record changed after a quit at ${delay} s"
    [ -s songindex ] || fail "no song index after a quit at ${delay} s"
    grep -q 'AddressSanitizer\|ThreadSanitizer\|runtime error' "$work/game.err" &&
      fail "a sanitizer reported a fault after a quit at ${delay} s"
    echo "round $round, quit at ${delay} s: exit 0, index $(wc -c <songindex) bytes"
  done
done

# The next start finds the index: it starts with fewer songs to read than the library holds.
start_game "$work/game.err"
sleep 1
alive "the start after the quits"
quit_game
[ -s songindex ] || fail "no song index after the last start"
echo "songs: $count; runs: $runs, every exit code 0"
