#!/usr/bin/env bash
# Line and function coverage of src/ by the whole suite: a Debug build with
# --coverage in its own folder (build-coverage), every test run under the
# French locale, then gcovr's summary of src/. Not part of scripts/test.sh.
# The counters are updated atomically: the CSV writer formats blocks on
# several threads, and plain counters there come out inconsistent.
# Usage: bash scripts/coverage.sh [--html]   (--html also writes
# build-coverage/coverage.html)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if ! command -v gcovr >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends gcovr
fi
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build-coverage -G Ninja "${launcher[@]}" -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS=--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DORV_CORE_ONLY=OFF -DORV_BENCHMARKS=OFF -DORV_WERROR=ON >/dev/null
cmake --build build-coverage -j "$(nproc)"
find build-coverage -name '*.gcda' -delete
(cd build-coverage && LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen \
  ctest -j "$(nproc)" --timeout 1200 --output-on-failure)
report=(--root . --filter 'src/' --object-directory build-coverage)
if [ "${1:-}" = --html ]; then report+=(--html-details build-coverage/coverage.html); fi
gcovr "${report[@]}" --print-summary --txt build-coverage/coverage.txt
