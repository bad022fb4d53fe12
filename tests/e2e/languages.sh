#!/usr/bin/env bash
# Runs the real game in English and in Japanese on a virtual X display: the "language" setting
# and the locale both choose Japanese, a C locale gives English, and a game without its message
# catalogues falls back to English with one warning. The help lines at the bottom left of the
# song selection tell the languages apart.
# Usage: languages.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots of title, song selection, result and
# options in both languages there (screen-title-en.png, screen-title-ja.png, ...).
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-languages-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

prepare_fanfare_run
[ -f "$work/run/locale/ja/LC_MESSAGES/keyrise.mo" ] || fail "prepare-run.sh copied no catalogue"

start_xvfb 1280x1024x24
export SDL_AUDIODRIVER=dummy
unset LANGUAGE LC_MESSAGES
cd "$work/run"

# help <name>: the help lines of the song selection screenshot <name> (bottom left quarter).
help_lines() {
  local w h
  w="$(identify -format '%w' "$work/$1.png")"
  h="$(identify -format '%h' "$work/$1.png")"
  convert "$work/$1.png" -crop "$((w / 2))x$((h / 6))+0+$((h - h / 6))" +repage "$work/$1-help.png"
}

# same <a> <b>: whether two help crops are identical.
same() {
  local diff
  diff="$(compare -metric AE "$work/$1-help.png" "$work/$2-help.png" null: 2>&1 || true)"
  [ "${diff%% *}" = "0" ]
}

# tour <language>: title, song selection, a song in Auto Play to its result, options.
tour() {
  open_game "$work/game-$1.err"
  screenshot "screen-title-$1"
  press Return 1.5
  press Up 1.5
  screenshot "screen-select-$1"
  help_lines "screen-select-$1"
  press Return
  wait_result 1 "$work/game-$1.err"
  sleep 1
  screenshot "screen-result-$1"
  press Return 1.5 # back to the song selection
  press Escape 1.5 # back to the title menu
  press Right
  press Return 1.5
  screenshot "screen-options-$1"
  press Escape 1.2
  quit_game
}

# selection <name>: starts the game, opens the song selection, keeps its help lines, quits.
selection() {
  open_game "$work/$1.err"
  press Return 1.5
  screenshot "$1"
  help_lines "$1"
  press Escape 1.5 # back to the title menu, where the other scripts end the game too
  quit_game
}

# 1. The setting chooses, whatever the locale.
printf 'videomode 1\nfullscreen 0\nlanguage en\n' >config
LANG=ja_JP.UTF-8 LC_ALL= tour en
printf 'videomode 1\nfullscreen 0\nlanguage ja\n' >config
LANG=C LC_ALL= tour ja
same screen-select-en screen-select-ja && fail "the English and Japanese help lines look the same"
grep -q 'catalogue' "$work"/game-*.err && fail "a warning about catalogues although both are there"

# 2. Without the setting the locale chooses; C is English.
printf 'videomode 1\nfullscreen 0\n' >config
LANG=ja_JP.UTF-8 LC_ALL= selection locale-ja
same locale-ja screen-select-ja || fail "LANG=ja_JP.UTF-8 did not show the Japanese texts"
LANG=ja_JP.UTF-8 LC_ALL=C selection locale-c
same locale-c screen-select-en || fail "LC_ALL=C did not show the English texts"

# 3. No catalogue anywhere (no locale/ in the game's folder, none next to the program): English
#    and one warning.
mkdir "$work/bare"
cp "$bin" "$work/bare/keyrise"
rm -rf "$work/run/locale"
bin="$work/bare/keyrise" LANG=ja_JP.UTF-8 LC_ALL= selection missing
same missing screen-select-en || fail "without catalogues the texts are not the English ones"
[ "$(grep -c 'no Japanese message catalogue' "$work/missing.err")" -eq 1 ] ||
  fail "expected one warning about the missing catalogue"

echo "languages end-to-end: ok"
