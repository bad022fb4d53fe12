#!/usr/bin/env bash
# Configures and builds the game in build/ (or in the folder and with the CMake options given).
# Usage: scripts/build.sh [build-folder] [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
shift || true
cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
cmake --build "$root/$dir" -j"$(nproc)"
