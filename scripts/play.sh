#!/usr/bin/env bash
# One command to play: installs what the game needs, builds the game alone, prepares run/ and
# starts the game there.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" game
bash "$root/scripts/build.sh" build --target keyrise -DKEYRISE_TESTS=OFF
bash "$root/scripts/prepare-run.sh" "$root/run"
cd "$root/run"
exec "$root/build/keyrise"
