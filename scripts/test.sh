#!/usr/bin/env bash
# One command to test: installs what is missing, builds everything with warnings as errors and
# runs the whole test suite.
# Usage: scripts/test.sh            normal build in build/
#        scripts/test.sh --asan     AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#        scripts/test.sh --tsan     ThreadSanitizer build in build-tsan/, every unit test
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh" all
mode="${1:-}"
case "$mode" in
  --asan)
    bash "$root/scripts/build.sh" build-asan -DKEYRISE_TESTS=ON -DKEYRISE_WERROR=ON -DKEYRISE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir "$root/build-asan" --output-on-failure -j2 -E '^e2e\.' 
    ;;
  --tsan)
    # Every unit test program, not only the threads set: the song library, the synthesizer,
    # the scene loader and the menus that own them all start threads of their own.
    bash "$root/scripts/build.sh" build-tsan -DKEYRISE_TESTS=ON -DKEYRISE_WERROR=ON -DKEYRISE_TSAN=ON -DCMAKE_BUILD_TYPE=Debug
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
    # FluidSynth's OpenMP helper threads are not instrumented; one thread keeps them out of the run.
    export OMP_NUM_THREADS=1
    ctest --test-dir "$root/build-tsan" --output-on-failure -j2 -E '^(e2e|assets)\.'
    ;;
  "")
    bash "$root/scripts/build.sh" build -DKEYRISE_TESTS=ON -DKEYRISE_WERROR=ON
    ctest --test-dir "$root/build" --output-on-failure -j2
    ;;
  *)
    echo "unknown option: $mode" >&2
    exit 2
    ;;
esac
