#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-fuzz/ and runs each for a bounded time, two at a time.
#   bash tools/fuzz.sh [seconds per target, default 60] [target ...]
# QZ_FUZZ_BUILD names another build folder (default build-fuzz), QZ_FUZZ_JOBS the targets run at
# once (default 2).
# A crash, leak, timeout or out-of-memory input is copied to tests/data/fuzz/regressions/<target>/,
# where the ordinary test run replays it from then on, and the script fails.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(meqp vxlm presetdetails qzbm epf tga tif exif filedetails piclist extini theme presetlist)
jobs="${QZ_FUZZ_JOBS:-2}"
build="${QZ_FUZZ_BUILD:-build-fuzz}"

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
# Build-time generators run under the sanitizers too; their exit-time leaks are not findings.
export ASAN_OPTIONS=detect_leaks=0
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_FUZZ=ON -DQZ_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null || exit 1
cmake --build "$build" --target "${targets[@]/#/fuzz_}" || exit 1
unset ASAN_OPTIONS

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_one() {
  local t=$1 work="$build/fuzz-work/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 -dict="fuzz/dict/$t.dict" -artifact_prefix="$work/artifacts/" \
    "$work/corpus" "tests/data/fuzz/$t" $( [ -d "tests/data/fuzz/regressions/$t" ] && echo "tests/data/fuzz/regressions/$t" ) \
    >"$work/log.txt" 2>&1
  local rc=$?
  if ls "$work/artifacts/"* >/dev/null 2>&1; then
    mkdir -p "tests/data/fuzz/regressions/$t"
    cp "$work/artifacts/"* "tests/data/fuzz/regressions/$t/"
    rc=1
  fi
  if [ $rc -ne 0 ]; then
    echo "FAILED: $t (inputs kept in tests/data/fuzz/regressions/$t)"
    tail -n 40 "$work/log.txt"
    return 1
  fi
  echo "clean: $t ($(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log.txt" | grep -o '[0-9]*$') runs in ${seconds}s)"
}

failed=0
running=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  running=$((running + 1))
  if [ $running -ge "$jobs" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
    running=$((running - 1))
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
[ $failed -eq 0 ] && echo "All fuzz targets ran clean." || echo "Fuzzing found failures."
exit $failed
