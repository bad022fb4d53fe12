#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for a while on a corpus seeded
# with our songs and Debian's OpenMSX songs (the song reader) or small hand-made files. Ends
# non-zero when a target finds a fault; the input that shows it is left in <build>/artifacts/.
# Targets run side by side, one per processor (KEYRISE_FUZZ_JOBS sets how many): each still has
# a processor of its own for its whole time. Each one's output is in <build>/logs/<target>.log.
# Usage: scripts/fuzz.sh [seconds per target, default 60; 0 only builds] [build folder, default build-fuzz]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="${2:-$root/build-fuzz}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
bash "$root/scripts/install-deps.sh" all

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DKEYRISE_FUZZ=ON -DKEYRISE_TESTS=OFF -DKEYRISE_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for src in "$root"/tests/*/fuzz/*Fuzz.cpp; do
  targets+=("$(basename "$src" .cpp)")
done
cmake --build "$build" -j2 --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/artifacts"
# Seeds: songs for the song reader; a written settings file, key names, a score file, a
# replay and a history file for the others.
seed() {
  local target="$1" corpus="$2"
  case "$target" in
    ReadMidiFuzz | CompactSongFuzz | PlayPathFuzz)
      for f in "$root"/assets/songs/*.mid /usr/share/games/openttd/baseset/openmsx/*.mid; do
        [ -f "$f" ] && cp -n "$f" "$corpus/" || true
      done ;;
    ConfigFileFuzz)
      printf 'AutoPlay 0\ndevid 0\nfullscreen 0\nkeynum 4\nspeed 100\nvideomode -1\n' >"$corpus/config"
      printf 'speed\n  +0120abc\r\nkey1 x key1 -2147483649\n' >"$corpus/odd" ;;
    KeyNameFuzz)
      for name in D F J K Space Caret F12 Up; do printf '%s' "$name" >"$corpus/$name"; done ;;
    ReplayFileFuzz)
      # A replay as the game writes it.
      printf 'keyrise-replay 1\ngame 0.3.0\nsong-name Keyrise/Twinkle.mid\nsong-size 4180\nsong-hash 0123456789abcdef\npart 0\nkeys 4\ntempo 100\nwait 0\noffset -12\nsong-offset 3\nlatency 20\nnofail 1\nfailresult 0\nautoplay 1\nturn 1500 1 1 0 0\nturn 1520 0 0 0 0\nturn 1600 0 0 1 0\nend 9000\nscore 500000\nrate 6\nrank A\nexcellent 1\ngood 0\nok 0\nbad 1\nmaxcombo 1\nmean -3.5\nspread 0.0\nfailed 0\n' >"$corpus/seed" ;;
    ScoreFileFuzz)
      # One byte of parts, 24 bytes of the game's records, then the file found on disk.
      { printf '\001'; head -c 24 /dev/zero | tr '\0' '\120'
        printf 'highscore_ins0_key4 500000\nhighrate_ins1_key4 7\nother x\n'; } >"$corpus/seed" ;;
    PlayHistoryFuzz)
      { printf 'keyrise-history 1\n# date part keys score\n'
        printf '2026-12-08T09:30:00Z 0 4 812345 7 AA 120 20 3 1 120 -3.2 12.5 play finished\n'
        printf '2026-12-08T09:41:07Z 3 12 402000 4 C 60 30 12 20 41 6.0 21.9 practice failed\n'
      } >"$corpus/seed" ;;
  esac
}

[ "$seconds" -gt 0 ] || exit 0
jobs="${KEYRISE_FUZZ_JOBS:-$(nproc)}"
mkdir -p "$build/logs"

# fuzz <target>: one target's run, its output in its log; its exit code in <target>.status.
fuzz() {
  local target="$1" corpus="$build/corpus/$1" status=0
  "$build/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$corpus" \
    >"$build/logs/$target.log" 2>&1 || status=$?
  echo "$status" >"$build/logs/$target.status"
}

running=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  seed "$target" "$corpus"
  rm -f "$build/logs/$target.status"
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  echo "fuzzing $target for $seconds s"
  fuzz "$target" &
  running=$((running + 1))
done
wait

failed=()
for target in "${targets[@]}"; do
  status="$(cat "$build/logs/$target.status" 2>/dev/null || echo missing)"
  if [ "$status" = 0 ]; then
    echo "$target: $(grep -E '^stat::number_of_executed_units' "$build/logs/$target.log" || true)"
  else
    echo "--- $target ended with $status:" >&2
    cat "$build/logs/$target.log" >&2
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $build/artifacts/)" >&2
  exit 1
fi
