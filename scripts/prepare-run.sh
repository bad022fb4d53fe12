#!/usr/bin/env bash
# Prepares the working directory run/ (pictures, sounds, font, message catalogues, songs); keeps
# config and score files. Usage: prepare-run.sh [run-folder] [build-folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
run="${1:-$root/run}"
build="${2:-$root/build}"
mkdir -p "$run/image" "$run/wav" "$run/data"
# The mark that makes the game play in this folder, with everything kept here, instead of as
# installed (the game started in any other folder stays installed).
[ -f "$run/keyrise-portable" ] ||
  echo "Keyrise plays portably in this folder: its settings, records and songs are kept here." \
    >"$run/keyrise-portable"
cp -f "$root"/assets/image/*.png "$run/image/" 2>/dev/null || true
cp -f "$root"/assets/wav/*.wav "$run/wav/" 2>/dev/null || true
font=/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf
if [ -f "$font" ]; then
  ln -sf "$font" "$run/image/rune-P.ttf"
fi
# The game's texts in English and Japanese, as the build compiled them.
if [ -d "$build/locale" ]; then
  mkdir -p "$run/locale"
  cp -rf "$build/locale/." "$run/locale/"
fi
# Songs of our own, then Debian's OpenMSX songs when installed. Existing files are left alone.
for f in "$root"/assets/songs/*.mid /usr/share/games/openttd/baseset/openmsx/*.mid; do
  [ -f "$f" ] || continue
  dest="$run/data/$(basename "$f")"
  [ -e "$dest" ] || cp "$f" "$dest"
done
