#!/usr/bin/env bash
# Renders the PNG sizes of the program's icon from its SVG (run by hand after
# changing the SVG; the PNGs are committed, the build runs nothing).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
command -v rsvg-convert >/dev/null || apt-get install -y -qq --no-install-recommends librsvg2-bin
for size in 16 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" fr.orvalend.Orvalend.svg -o "${size}x${size}/fr.orvalend.Orvalend.png"
done
