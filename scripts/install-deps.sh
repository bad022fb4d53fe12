#!/usr/bin/env bash
# Installs the Debian packages that are missing: those the game needs to build and run, or with
# "all" also those of its tests, benchmarks and tools.
# Usage: scripts/install-deps.sh [game|all]   (default: all)
set -euo pipefail

GAME_PACKAGES=(
  # build
  build-essential cmake pkg-config
  # the Debian package (dpkg-buildpackage)
  debhelper
  # game libraries
  libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev libsdl-gfx1.2-dev
  libfluidsynth-dev libasound2-dev
  # sound font, Japanese-capable font, message catalogue tools
  timgm6mb-soundfont fonts-vlgothic gettext
)
TEST_PACKAGES=(
  # formatting
  clang-format
  # tests: unit tests, benchmarks, headless end-to-end runs, an independent MIDI reader, real songs
  googletest libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick python3 python3-mido
  openttd-openmsx
  # the package and its checks: building it, its dependencies, lint of the package, the
  # desktop entry and the AppStream data
  dpkg-dev file fakeroot lintian desktop-file-utils appstream
  # fuzzing the song reader (libFuzzer with clang), a reference song reader for the benchmark
  clang libclang-rt-dev midicsv
)

case "${1:-all}" in
  game) PACKAGES=("${GAME_PACKAGES[@]}") ;;
  all) PACKAGES=("${GAME_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *)
    echo "usage: $0 [game|all]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
