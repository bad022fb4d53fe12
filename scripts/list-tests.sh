#!/usr/bin/env bash
# Lists the tests of a build once (ctest -N), which makes ctest discover each test program's
# tests and write their lists; said in full and ending non-zero only when that fails.
# Usage: scripts/list-tests.sh <build folder>
set -euo pipefail
out="$(ctest --test-dir "$1" -N 2>&1)" || {
  printf '%s\n' "$out" >&2
  exit 1
}
if grep -q -E 'CMake Error|_NOT_BUILT' <<<"$out"; then
  printf '%s\n' "$out" >&2
  exit 1
fi
