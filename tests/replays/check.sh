#!/usr/bin/env bash
# Plays one stored replay of the regression set with the real program, headless, and compares
# what it prints with the result stored at recording time (<name>.expected); the program must
# also end with 0 (it played the game and got the result the file records). The song each replay
# needs is listed in "songs" (a path in the source tree, or an absolute path to Debian's OpenMSX
# songs: skipped with 77 when they are not installed).
# Usage: check.sh <keyrise-binary> <source-dir> <name>
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
name="$3"
here="$src/tests/replays"
song="$(awk -v n="$name" '$1 == n { print $2; exit }' "$here/songs")"
[ -n "$song" ] || { echo "FAIL: $name is not listed in $here/songs" >&2; exit 1; }
[[ "$song" == /* ]] || song="$src/$song"
[ -f "$song" ] || { echo "SKIP: $song is not installed" >&2; exit 77; }

work="$(mktemp -d /tmp/keyrise-replay-XXXXXX)"
trap 'rm -rf "$work"' EXIT
# The play scene loads its pictures and sounds: a game folder without songs.
bash "$src/scripts/prepare-run.sh" "$work/run" "$(dirname "$bin")" >/dev/null
find "$work/run/data" -type f -delete

status=0
"$bin" --portable "$work/run" --replay "$here/$name.replay" --song "$song" \
  >"$work/out" 2>"$work/err" || status=$?
if ! diff -u "$here/$name.expected" "$work/out" >"$work/diff"; then
  echo "FAIL: $name: the replay's result differs from the stored one (- stored, + now):" >&2
  cat "$work/diff" "$work/err" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "FAIL: $name: keyrise --replay ended with $status:" >&2
  cat "$work/err" >&2
  exit 1
fi
echo "$name: $(tr '\n' ' ' <"$work/out")"
