#!/usr/bin/env bash
# Configures and builds in build/ (or in the folder and with the CMake options given); with
# --target, builds only that target.
# Usage: scripts/build.sh [build-folder] [--target name] [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-build}"
shift || true
target=()
if [ "${1:-}" = "--target" ]; then
  target=(--target "$2")
  shift 2
fi
cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
cmake --build "$root/$dir" -j"$(nproc)" "${target[@]}"
