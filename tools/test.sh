#!/usr/bin/env bash
# Builds everything and runs the test suite.
#   bash tools/test.sh        RelWithDebInfo build in build/, all tests
#   bash tools/test.sh asan   AddressSanitizer + UndefinedBehaviorSanitizer in build-asan/, all tests
#   bash tools/test.sh tsan   ThreadSanitizer in build-tsan/, the concurrency tests
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/deps.sh

mode="${1:-}"
case "$mode" in
  "")   build=build;      cmake_args=() ;;
  asan) build=build-asan; cmake_args=() ;;
  tsan) build=build-tsan; cmake_args=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQZ_SANITIZE=thread -DQZ_BUILD_BENCH=OFF) ;;
  *) echo "usage: bash tools/test.sh [asan|tsan]" >&2; exit 2 ;;
esac

qz_install_deps

if [ "$mode" = asan ]; then
  # Build-time generators run under the sanitizers too; their exit-time leaks are not findings.
  ASAN_OPTIONS=detect_leaks=0 qz_configure_asan "$build"
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}"
fi
targets=()
# The concurrency tests live in these programs; nothing else is worth a ThreadSanitizer build.
[ "$mode" = tsan ] && targets=(--target test_engine test_plugin test_hosts)
ASAN_OPTIONS=detect_leaks=0 cmake --build "$build" "${targets[@]}"

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/common/tsan.supp"
filter=()
[ "$mode" = tsan ] && filter=(-R Concurrency)
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "${filter[@]}"
