#!/usr/bin/env bash
# Builds everything and runs every test: the whole suite under a French locale
# (window tests offscreen), then the core tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_CORE_ONLY=ON >/dev/null
cmake --build build-asan -j "$jobs"
LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 300
