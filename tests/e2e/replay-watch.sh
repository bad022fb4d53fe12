#!/usr/bin/env bash
# A game played with the keyboard and watched again from the result screen: screenshots of the
# same paused moment of both are identical apart from the REPLAY mark, and watching stores
# nothing (scripts/replay-screenshots.sh, its pictures kept in a scratch folder).
# Usage: replay-watch.sh <keyrise-binary> <source-dir>
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
[ -x "$(dirname "$bin")/songinfo" ] || { echo "SKIP: no songinfo beside $bin" >&2; exit 77; }
out="$(mktemp -d /tmp/keyrise-replay-watch-XXXXXX)"
# The pictures of a failed run are kept, to see what differed.
trap 'status=$?; [ "$status" = 0 ] && rm -rf "$out" || echo "pictures kept in $out" >&2' EXIT
bash "$src/scripts/replay-screenshots.sh" "$bin" "$out"
