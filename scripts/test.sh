#!/usr/bin/env bash
# Builds everything and runs every test, sharing the two cores:
# 1. the developer build (GCC, warnings are errors): the whole suite under a
#    French locale, window tests offscreen;
# 2. the sanitizer build (clang, AddressSanitizer + UndefinedBehaviorSanitizer
#    at -O1): the whole suite again, every window test included, and the fuzz
#    target for a fixed number of inputs;
# 3. the packaging check (scripts/check_packaging.sh).
# Each build goes through ccache when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
mkdir -p build-logs

# Runs a command in the background with its output in build-logs/<name>.log.
declare -A pids
start() {
  local name=$1
  shift
  ("$@") >"build-logs/$name.log" 2>&1 &
  pids[$name]=$!
}
# Waits for the named jobs, shows their output, fails if one failed.
finish() {
  local failed=0
  for name in "$@"; do
    if wait "${pids[$name]}"; then status=ok; else status=FAILED; failed=1; fi
    echo "===== $name: $status"
    if [ "$status" = FAILED ]; then tail -n 200 "build-logs/$name.log"; else tail -n 4 "build-logs/$name.log"; fi
  done
  return "$failed"
}

# A sanitizer build folder made by another compiler starts afresh.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
cmake --preset dev "${launcher[@]}" >/dev/null
cmake --build --preset dev -j "$jobs"
# The dev suite runs while the sanitizer build compiles.
start dev-tests ctest --preset dev -j "$jobs"
start asan-build bash -c "cmake --preset asan ${launcher[*]} >/dev/null && cmake --build --preset asan -j $jobs"
finish dev-tests asan-build
# The sanitizer suite runs while the packaging check builds the program alone.
start asan-tests ctest --preset asan -j "$jobs"
start packaging bash scripts/check_packaging.sh
finish asan-tests packaging
grep -ho "Done [0-9]* runs in [0-9]* second(s)" build-asan/Testing/Temporary/LastTest.log |
  sed 's/^/fuzz_numeric: /'
