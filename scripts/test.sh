#!/usr/bin/env bash
# One command to test: installs what is missing, builds everything with warnings as errors and
# runs the whole test suite.
# Usage: scripts/test.sh [--asan | --tsan] [--build-only | --tests-only] [--no-e2e | --e2e-only]
#   (no build option)  normal build in build/
#   --asan             AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
#   --tsan             ThreadSanitizer build in build-tsan/, every unit test
#   --build-only       configure and build, run nothing; --tests-only runs what was built
#   --no-e2e           leave out the end-to-end runs of the real program; --e2e-only runs only them
# The end-to-end runs mostly wait on their virtual displays: they run beside the other tests,
# KEYRISE_E2E_JOBS (default 3) at a time, and their output follows the others'.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="" steps=all which=all
for option in "$@"; do
  case "$option" in
    --asan | --tsan) mode="$option" ;;
    --build-only) steps=build ;;
    --tests-only) steps=tests ;;
    --no-e2e) which=no-e2e ;;
    --e2e-only) which=e2e ;;
    *)
      echo "unknown option: $option" >&2
      exit 2
      ;;
  esac
done
bash "$root/scripts/install-deps.sh" all

# What each build runs besides the end-to-end tests (a ctest -E pattern; "" for everything).
case "$mode" in
  --asan)
    dir=build-asan
    options=(-DKEYRISE_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    skip='^e2e\.'
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --tsan)
    # Every unit test program, not only the threads set: the song library, the synthesizer,
    # the scene loader and the menus that own them all start threads of their own.
    dir=build-tsan
    options=(-DKEYRISE_TSAN=ON -DCMAKE_BUILD_TYPE=Debug)
    skip='^(e2e|assets)\.'
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
    # FluidSynth's OpenMP helper threads are not instrumented; one thread keeps them out of the run.
    export OMP_NUM_THREADS=1
    ;;
  *)
    dir=build
    options=()
    skip=""
    ;;
esac

if [ "$steps" != tests ]; then
  bash "$root/scripts/build.sh" "$dir" -DKEYRISE_TESTS=ON -DKEYRISE_WERROR=ON "${options[@]}"
fi
[ "$steps" != build ] || exit 0

tests="$root/$dir"
# The sanitizer builds leave the end-to-end runs out whatever is asked.
if [ -n "$skip" ] || [ "$which" = no-e2e ]; then
  ctest --test-dir "$tests" --output-on-failure -j2 -E "${skip:-^e2e\.}"
  exit 0
fi
if [ "$which" = e2e ]; then
  ctest --test-dir "$tests" --output-on-failure -j"${KEYRISE_E2E_JOBS:-3}" -R '^e2e\.'
  exit 0
fi
# The test programs' lists are discovered when ctest first reads them after a build; two ctest
# runs at once would both write them and one could read the other's half-written file (and so
# run no unit test at all). One listing first, alone, leaves both runs below only reading.
bash "$root/scripts/list-tests.sh" "$tests"
log="$(mktemp "${TMPDIR:-/tmp}/keyrise-e2e-XXXXXX.log")"
trap 'rm -f "$log"' EXIT
ctest --test-dir "$tests" --output-on-failure -j"${KEYRISE_E2E_JOBS:-3}" -R '^e2e\.' >"$log" 2>&1 &
e2e=$!
status=0
ctest --test-dir "$tests" --output-on-failure -j2 -E '^e2e\.' || status=1
wait "$e2e" || status=1
echo "--- end-to-end runs:"
cat "$log"
exit "$status"
