#!/usr/bin/env bash
# Records the regression set of replays by real play: the real game on a virtual X display, its
# lanes pressed at chosen times (scripts/replay-keys.py), one fresh working folder per game. Each
# game's replay (the newest file of the folder's replays/) goes to <out>/<name>.replay, what
# `keyrise --replay` prints for it to <out>/<name>.expected, which must match the result the game
# itself traced on stderr; <out>/songs lists the song each replay needs and that trace line.
# Usage: scripts/record-replays.sh [keyrise-binary] [out-folder] [game-name...]
#        (defaults: build/keyrise, tests/replays, every game). Needs build/songinfo too.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath "${1:-$src/build/keyrise}")"
out="$(realpath -m "${2:-$src/tests/replays}")"
shift $(($# < 2 ? $# : 2))
only=("$@")
openmsx=/usr/share/games/openttd/baseset/openmsx
export KEYRISE_SONGINFO="${KEYRISE_SONGINFO:-$(dirname "$bin")/songinfo}"
[ -x "$KEYRISE_SONGINFO" ] || { echo "no songinfo at $KEYRISE_SONGINFO" >&2; exit 1; }
work="$(mktemp -d /tmp/keyrise-record-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"
mkdir -p "$out"

start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy
unset LANGUAGE LC_MESSAGES

# play <name> <song> <part> <config lines> <selection keys> <replay-keys options...>
# One game: a fresh folder with that one song and config, the selection keys pressed on the
# song selection ("hold:KEY:MS" holds a key), the game played, its replay and result kept.
play() {
  local name="$1" song="$2" part="$3" config="$4" keys="$5"
  shift 5
  if [ "${#only[@]}" -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then
    return 0
  fi
  if [ ! -f "$song" ]; then
    echo "skip $name: no $song" >&2
    return 0
  fi
  echo "== $name" >&2
  rm -rf "$work/run"
  bash "$src/scripts/prepare-run.sh" "$work/run" "$(dirname "$bin")" >/dev/null
  find "$work/run/data" -type f -delete
  cp "$song" "$work/run/data/"
  printf 'videomode 2\nfullscreen 0\nlanguage en\n%s\n' "$config" >"$work/run/config"
  cd "$work/run"
  local trace="$work/$name.err"
  open_game "$trace"
  press Return 1.5 # the song selection
  local steps started
  steps="$("$KEYRISE_SONGINFO" "$song" | awk -v part="$part" \
    '/^notes:/ { n = 0; for (c = 1; c <= part; ++c) if ($(c + 2) > 0) ++n; print n }')"
  # A card starts at part 0; each step up goes to the next channel that has notes.
  for _ in $(seq "$steps"); do press Up 0.3; done
  started="$(grep -c '^addscene' "$trace" || true)"
  local key
  for key in $keys; do
    if [[ "$key" == hold:* ]]; then
      IFS=: read -r _ k ms <<<"$key"
      xdotool keydown --window "$window" "$k"
      sleep "$(awk -v m="$ms" 'BEGIN { print m / 1000 }')"
      xdotool keyup --window "$window" "$k"
      sleep 0.3
    else
      press "$key" 0.3
    fi
  done
  xdotool windowfocus --sync "$window" 2>/dev/null || true
  python3 "$src/scripts/replay-keys.py" --trace "$trace" --song "$song" --part "$part" \
    --after "$started" --window "$window" \
    --size "$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')" "$@" &
  local player=$!
  press Return 0.1 # the game starts
  wait "$player" || fail "$name: the player stopped"
  for _ in $(seq 3000); do
    grep -q '^result:' "$trace" && break
    alive "$name"
    sleep 0.1
  done
  local line
  line="$(grep -m1 '^result:' "$trace")" || fail "$name: no result"
  echo "$name: $line" >&2
  sleep 1
  press Return 1
  quit_game
  local replay
  replay="$(ls -t "$work/run/replays/"*.replay 2>/dev/null | head -n1)" || true
  if [ -z "$replay" ]; then
    echo "$name: no replay in replays/ (the game keeps none yet)" >&2
    cd "$src"
    return 0
  fi
  cp "$replay" "$out/$name.replay"
  local expected="$out/$name.expected"
  "$bin" --replay "$out/$name.replay" --song "$song" >"$expected" ||
    fail "$name: keyrise --replay did not replay its own game"
  cd "$src"
  check_result "$name" "$line" "$expected"
  # The song's line of this game replaces any earlier one.
  touch "$out/songs"
  { awk -v n="$name" '$1 != n' "$out/songs"; echo "$name ${song/#$src\//} $line"; } |
    sort >"$work/songs"
  cp "$work/songs" "$out/songs"
}

# check_result <name> <trace line> <expected>: the counts, combo, score and failing the replay
# gives are those the game traced on its result screen.
check_result() {
  local fields
  fields="$(echo "$2" | sed -E 's/^result: bad ([0-9]+) ok ([0-9]+) good ([0-9]+) excellent ([0-9]+) combo ([0-9]+) score ([0-9]+).*$/bad \1 ok \2 good \3 excellent \4 maxcombo \5 score \6/')"
  local failed=0
  [[ "$2" == *" failed" ]] && failed=1
  local want="$fields failed $failed" got
  got="$(awk '{ v[$1] = $2 } END { printf "bad %s ok %s good %s excellent %s maxcombo %s score %s failed %s", v["bad"], v["ok"], v["good"], v["excellent"], v["maxcombo"], v["score"], v["failed"] }' "$3")"
  [ "$got" = "$want" ] || fail "$1: the replay gives '$got', the game gave '$want'"
}

bundled="$src/assets/songs"

# Plain games with 4 keys: good play, poor play.
play good-fanfare "$bundled/Fanfare.mid" 1 "" "" --style good --seed 1
play poor-twinkle "$bundled/Twinkle.mid" 1 "" "" --style poor --seed 2
# An OpenMSX song played well, and one with 12 keys.
play good-train "$openmsx/train_filled_with_cash.mid" 0 "" "" --style good --seed 3
play keys12-greensleeves "$bundled/Greensleeves.mid" 2 "keynum 12" "" --keys 12 --style good \
  --seed 4
# Practice tempo 50 % and 150 %.
play tempo50-fanfare "$bundled/Fanfare.mid" 0 "" "minus minus minus minus minus" --tempo 50 \
  --style good --seed 5
play tempo150-coconut "$openmsx/coconut_run2.mid" 4 "" "equal equal equal equal equal" \
  --tempo 150 --style good --seed 6
# Wait mode: the song stands at each note until its lanes are pressed.
play wait-frere "$bundled/FrereJacques.mid" 1 "" "w" --style wait --until-result 1 --seed 7
# A practice game: a section marked (F5, F6) repeats until F7, a pause with a count-in.
play practice-ode "$bundled/OdeToJoy.mid" 1 "" "" --style good --seed 8 \
  --action 6000:F5 --action 12000:F6 --action 20000:F7 --action 30000:p \
  --action 31500:Return
# Offsets: the song's own (held ] on the selection) and the global one (config).
play songoffset-yankee "$bundled/YankeeDoodle.mid" 1 "" "hold:bracketright:1500" \
  --style good --aim 20 --seed 9
play globaloffset-ultimate "$openmsx/ultimate_run.mid" 2 "offset -35" "" --style good \
  --aim -35 --seed 10
# A failed game: failing allowed, the result shown, poor play on a dense part.
play failed-5432 "$openmsx/5432gone_redfarn.mid" 1 "nofail 0
failresult 1" "" --style poor --seed 11

echo "replays in $out" >&2
