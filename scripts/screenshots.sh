#!/usr/bin/env bash
# Grabs every window, before and after a worked example (the modes window
# also on the guide's three examples of "Pourquoi un schéma explose"), at
# screen scales 1, 1.25 and 2, into build/screenshots/scale-1, scale-1.25 and
# scale-2 (or the folder given), and the same under a dark desktop palette
# into dark-scale-*. With --docs, also copies the pictures the README and the
# AppStream metainfo show into docs/screenshots.
set -euo pipefail
cd "$(dirname "$0")/.."
docs=0
if [ "${1:-}" = --docs ]; then
  docs=1
  shift
fi
out=${1:-build/screenshots}
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target orvalend_screenshots
for scale in 1 1.25 2; do
  rm -rf "$out/scale-$scale" "$out/dark-scale-$scale"
  for scheme in light dark; do
    folder="$out/scale-$scale" flag=""
    if [ $scheme = dark ]; then folder="$out/dark-scale-$scale" flag=--dark; fi
    QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$scale LC_ALL=fr_FR.UTF-8 LANG=fr_FR.UTF-8 \
      ./build/tools/orvalend_screenshots $flag "$folder"
  done
done
ls "$out"/*scale-*/*.png | wc -l | xargs echo "pictures:"
if [ "$docs" = 1 ]; then
  for name in Form1-before frmstabp0-after FrmStabp0G-after frmConsistP0-after \
              FrmErreurEps0-after FrmEvolution-after FrmEvolution-kept FrmConvergence-after; do
    cp "$out/scale-1/$name.png" docs/screenshots/
  done
  cp "$out/scale-2/FrmConsistPepsilon-after.png" docs/screenshots/FrmConsistPepsilon-after-scale2.png
  echo "docs/screenshots updated"
fi
