#!/usr/bin/env bash
# One command to play: installs what is missing, builds, prepares run/ and starts the game there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" build
bash "$root/scripts/prepare-run.sh" "$root/run"
cd "$root/run"
exec "$root/build/keyrise"
