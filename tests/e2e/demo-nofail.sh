#!/usr/bin/env bash
# Plays a real OpenMSX song (Debian's openttd-openmsx) in the real game on a virtual X display:
# F2 on the song selection plays a demo, which must end on a result with every note of the part
# EXCELLENT in one combo; then a practice game in which no key is pressed must not fail (no-fail
# practice is on by default) and must reach its result with every note missed. Both play at
# 150 % tempo (the 73-second song in 49 s); the demo plays at the tempo chosen too.
# Neither may write a score file. The counts come from the result's trace line on stderr.
# Usage: demo-nofail.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots (demo-result.png, ...) there.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
song=/usr/share/games/openttd/baseset/openmsx/train_filled_with_cash.mid
[ -f "$song" ] || { echo "SKIP: openttd-openmsx is not installed" >&2; exit 77; }
work="$(mktemp -d /tmp/keyrise-demo-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
find "$work/run/data" -type f -delete
cp "$song" "$work/run/data/"
printf 'videomode 1\nfullscreen 0\n' >"$work/run/config"

start_xvfb 1280x1024x24
export SDL_AUDIODRIVER=dummy

cd "$work/run"
start_game "$work/game.err"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 3

press Return 3 # the song selection
for _ in 1 2 3 4 5; do press equal 0.2; done # 150 %
press F2 2 # the demo of the chosen part
alive demo
wait_result 1 "$work/game.err"
sleep 1
screenshot demo-result
line="$(grep '^result:' "$work/game.err" | sed -n 1p)"
echo "demo: $line"
read -r bad ok good excellent combo score kind < <(
  echo "$line" | sed -E 's/^result: bad ([0-9]+) ok ([0-9]+) good ([0-9]+) excellent ([0-9]+) combo ([0-9]+) score ([0-9]+) ?(.*)$/\1 \2 \3 \4 \5 \6 \7/')
[ "$kind" = demo ] || fail "the demo's result is not marked as one: $line"
[ "$excellent" -gt 0 ] || fail "the demo hit no note: $line"
[ "$bad" -eq 0 ] && [ "$ok" -eq 0 ] && [ "$good" -eq 0 ] || fail "the demo missed or mistimed: $line"
[ "$combo" -eq "$excellent" ] && [ "$score" -eq 1000000 ] || fail "the demo was not perfect: $line"
notes="$excellent"

press Return 2 # back to the song selection, still at 150 %
press Return 2 # a practice game
alive practice
wait_result 2 "$work/game.err"
sleep 1
screenshot nofail-result
line="$(grep '^result:' "$work/game.err" | sed -n 2p)"
echo "no-fail practice: $line"
[ "$line" = "result: bad $notes ok 0 good 0 excellent 0 combo 0 score 0 practice" ] ||
  fail "the no-fail practice game did not end on a result with all $notes notes missed: $line"

press Return 2
ls "$work/run/data/"*.score >/dev/null 2>&1 && fail "a demo or practice game wrote a score file"
quit_game
echo "demo and no-fail practice: $notes notes"
