#!/usr/bin/env bash
# Takes a screenshot of every screen of the real game (title, song selection, play, pause menu,
# result, options, key configuration, timing) at 640 x 480, 1024 x 720 and 1920 x 1080, in
# English and in Japanese, on a virtual X display driven by xdotool.
# Usage: scripts/screenshots.sh [keyrise-binary] [out-folder]   (defaults: build/keyrise and
#        docs/screens); writes <out>/<width>x<height>/<language>-<screen>.png. KEYRISE_SCREEN_MODES
#        ("2 0 5": the videomode settings) and KEYRISE_SCREEN_LANGUAGES ("en ja") narrow the set.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath "${1:-$src/build/keyrise}")"
out="$(realpath -m "${2:-$src/docs/screens}")"
work="$(mktemp -d /tmp/keyrise-screens-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

prepare_fanfare_run
start_xvfb 1920x1200x24
export SDL_AUDIODRIVER=dummy
unset LANGUAGE LC_MESSAGES
cd "$work/run"

# keep <name>: the screenshot goes to the output folder of this size and language.
keep() {
  screenshot "$1"
  cp "$work/$1.png" "$folder/$language-$1.png"
}

# 0: 1024 x 720, 2: 640 x 480, 5: 1920 x 1080 (the game's window sizes by "videomode").
for mode in ${KEYRISE_SCREEN_MODES:-2 0 5}; do
  for language in ${KEYRISE_SCREEN_LANGUAGES:-en ja}; do
    printf 'videomode %d\nfullscreen 0\nlanguage %s\nAutoPlay 1\n' "$mode" "$language" >config
    open_game "$work/game.err"
    size="$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')"
    folder="$out/$size"
    mkdir -p "$folder"
    keep title
    press Return 1.5
    keep select
    press F2 5 # the demo: the game plays the part, so the song ends on a result
    keep play
    press p 1
    keep pause
    press p 4 # the count-in, then the song plays on to its end
    sleep 14
    keep result
    quit_game
    open_game "$work/game.err"
    press Right
    press Return 1.5
    keep options
    press Down
    press Down
    press Down
    press Return 1.5
    keep keyconfig
    quit_game
    open_game "$work/game.err"
    press Right
    press Return 1.5
    for _ in 1 2 3 4 5 6 7 8 9 10; do press Down 0.2; done
    press Return 1.5
    keep timing
    quit_game
  done
done
echo "screenshots in $out"
