#!/usr/bin/env bash
# Builds everything and runs every test: the portable tests natively under AddressSanitizer and
# UBSan, the fuzzers for a bounded time, and the Win64 tests under Wine. Exits non-zero on any
# failure.
set -uo pipefail
export TAVREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$TAVREL_ROOT"

bash scripts/setup.sh || exit 1
jobs=$(nproc)

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null || exit 1
ninja -C build/native -j "$jobs" || exit 1
cmake -S . -B build/win -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake >/dev/null || exit 1
ninja -C build/win -j "$jobs" || exit 1

source scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start

# GoogleTest's own summaries, from the full output ctest keeps of every test.
gtest_summary() {
  grep -E '^\[(==========|  PASSED  |  FAILED  |  SKIPPED )\]' \
    "$1/Testing/Temporary/LastTest.log" 2>/dev/null | sed 's/^/  /'
}

status=0
echo "== native tests (AddressSanitizer, UBSan, fuzzers, validators) =="
ctest --test-dir build/native -j "$jobs" --output-on-failure --timeout 900 || status=1
gtest_summary build/native
echo "== Win64 tests under Wine =="
ctest --test-dir build/win -j 4 --output-on-failure --timeout 420 || status=1
gtest_summary build/win
echo "== self-test suite of tavrel.exe under Wine =="
bash scripts/smoke-test.sh build/win || status=1
echo "== start-up benchmark under Wine =="
bash scripts/benchmark.sh build/win || status=1
exit $status
