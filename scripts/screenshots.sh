#!/usr/bin/env bash
# Grabs every window, before and after a worked example, at screen scales 1
# and 2, into build/screenshots/scale-1 and build/screenshots/scale-2 (or the
# folder given). The README's pictures are chosen from these.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/screenshots}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target orvalend_screenshots
for scale in 1 2; do
  rm -rf "$out/scale-$scale"
  QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 \
    ./build/tests/stability/orvalend_screenshots "$out/scale-$scale"
done
ls "$out"/scale-*/*.png | wc -l | xargs echo "pictures:"
