#!/usr/bin/env bash
# Installs the Debian packages the game, its tests and its tools need; skips those already present.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake pkg-config clang-format
  # game libraries
  libsdl1.2-dev libsdl-image1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev libsdl-gfx1.2-dev
  libfluidsynth-dev libasound2-dev
  # sound font, Japanese-capable font, message catalogue tools
  timgm6mb-soundfont fonts-vlgothic gettext
  # tests: unit tests, benchmarks, headless end-to-end runs, an independent MIDI reader, real songs
  googletest libgtest-dev libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick python3 python3-mido
  openttd-openmsx
  # fuzzing the song reader (libFuzzer with clang), a reference song reader for the benchmark
  clang libclang-rt-14-dev midicsv
)

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
