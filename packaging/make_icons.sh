#!/usr/bin/env bash
# Draws the PNG sizes of the hicolor icon from icons/tabrovex.svg (needs librsvg2-bin:
# scripts/install-deps.sh tools). The PNGs are committed; run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/icons"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "$size"
  rsvg-convert -w "$size" -h "$size" tabrovex.svg -o "$size/tabrovex.png"
done
