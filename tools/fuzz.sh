#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs them, two at a time.
#   bash tools/fuzz.sh [target ...]
#       The check CI runs: each target replays its seed corpus and every kept regression input,
#       then makes a fixed number of runs from a fixed seed, so that the same tree always gives
#       the same verdict. The number is QZ_FUZZ_RUNS (default 100000) unless the target's source
#       names its own in a line "// CI runs: N" (for targets that are slow per input).
#   bash tools/fuzz.sh random [seconds per target, default 300] [target ...]
#       Open-ended fuzzing from a random start, for developers before they hand in a change.
# The targets are the fuzz/fuzz_<name>.cpp files. QZ_FUZZ_BUILD names another build folder
# (default build-asan), QZ_FUZZ_JOBS the targets run at once (default 2).
# A crash, leak, timeout or out-of-memory input is copied to tests/data/fuzz/regressions/<target>/,
# where the ordinary test run replays it from then on, and the script fails.
set -uo pipefail
cd "$(dirname "$0")/.."

mode=fixed
seconds=300
if [ "${1:-}" = random ]; then
  mode=random
  shift
  if [[ "${1:-}" =~ ^[0-9]+$ ]]; then seconds=$1; shift; fi
fi
default_runs="${QZ_FUZZ_RUNS:-100000}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do
    t=$(basename "$f" .cpp)
    targets+=("${t#fuzz_}")
  done
fi
jobs="${QZ_FUZZ_JOBS:-2}"
# The targets share build-asan/ with the AddressSanitizer suite (tools/test.sh asan): one clang
# build, instrumented for libFuzzer, serves both, so CI compiles the tree under ASan once.
build="${QZ_FUZZ_BUILD:-build-asan}"
source tools/deps.sh
qz_install_deps
# Build-time generators run under the sanitizers too; their exit-time leaks are not findings.
export ASAN_OPTIONS=detect_leaks=0
qz_configure_asan "$build" >/dev/null || exit 1
cmake --build "$build" --target "${targets[@]/#/fuzz_}" || exit 1
unset ASAN_OPTIONS

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run_one() {
  local t=$1 work="$build/fuzz-work/$1"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/artifacts"
  local runs
  runs=$(sed -n 's|^// CI runs: *\([0-9][0-9]*\).*|\1|p' "fuzz/fuzz_$t.cpp" | head -n 1)
  [ -n "${QZ_FUZZ_RUNS:-}" ] || [ -z "$runs" ] && runs=$default_runs
  # The same seed takes the same path only when nothing that varies from run to run feeds the
  # mutations: no compared operands (pointers among them), no address-space randomisation.
  local limit=(-seed=1 -runs="$runs" -use_cmp=0)
  local norandom=()
  setarch "$(uname -m)" -R true 2>/dev/null && norandom=(setarch "$(uname -m)" -R)
  [ "$mode" = random ] && limit=(-max_total_time="$seconds") && norandom=()
  local dict=()
  [ -f "fuzz/dict/$t.dict" ] && dict=(-dict="fuzz/dict/$t.dict")
  "${norandom[@]}" "$build/fuzz/fuzz_$t" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -print_final_stats=1 "${dict[@]}" -artifact_prefix="$work/artifacts/" \
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
  echo "clean: $t ($(grep -o 'Done [0-9]* runs in [0-9]* second' "$work/log.txt" | tail -n 1))"
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
