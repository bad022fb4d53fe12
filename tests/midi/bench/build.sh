#!/usr/bin/env bash
# Builds the MIDI benchmark against a configured build folder's keyrise_core library.
# Usage: tests/midi/bench/build.sh [build-folder]    then: <build-folder>/keyrise-midi-bench
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
build="${1:-$root/build}"
cmake --build "$build" --target keyrise_core -j2 >/dev/null
g++ -std=c++17 -O2 -I"$root" -o "$build/keyrise-midi-bench" "$root/tests/midi/bench/MidiBench.cpp" \
  "$build/libkeyrise_core.a" \
  $(pkg-config --cflags --libs sdl SDL_image SDL_mixer SDL_ttf SDL_gfx fluidsynth alsa) \
  -lbenchmark -lpthread
echo "built $build/keyrise-midi-bench"
