#!/usr/bin/env bash
# Builds the MIDI reader fuzz target with clang, libFuzzer, ASan and UBSan into the given folder
# and seeds its corpus with our songs and Debian's OpenMSX songs.
# Usage: tests/midi/fuzz/build.sh [out-dir]     then: <out-dir>/read-midi-fuzz <out-dir>/corpus
set -euo pipefail
root="$(cd "$(dirname "$0")/../../.." && pwd)"
out="${1:-$root/build-fuzz}"
mkdir -p "$out/corpus"
flags="-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I$root"
clang++ $flags -o "$out/read-midi-fuzz" \
  "$root/tests/midi/fuzz/ReadMidiFuzz.cpp" \
  "$root/midi/ReadMidi.cpp" "$root/midi/MidiContainer.cpp" "$root/midi/MidiOutput.cpp" \
  "$root/midi/SynthMidiOut.cpp" "$root/midi/AlsaMidiOut.cpp" "$root/midi/CaptureMidiOut.cpp" \
  "$root"/platform/*.cpp \
  "$root"/config/*.cpp "$root"/content/*.cpp "$root"/framework/*.cpp \
  $(pkg-config --cflags --libs sdl SDL_image SDL_mixer SDL_ttf SDL_gfx fluidsynth alsa) -lpthread
for f in "$root"/assets/songs/*.mid /usr/share/games/openttd/baseset/openmsx/*.mid; do
  [ -f "$f" ] && cp -f "$f" "$out/corpus/"
done
echo "built $out/read-midi-fuzz"
