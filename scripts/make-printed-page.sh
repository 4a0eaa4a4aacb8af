#!/usr/bin/env bash
# Regenerates docs/printed-page.png, the chart page as it prints, from a built tree:
# the chart page test renders it to PDF and rasterises it at 96 dpi beside the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
(cd "$build" && QT_QPA_PLATFORM=offscreen ./tst_chartpage >/dev/null)
mkdir -p docs
if command -v convert >/dev/null 2>&1; then
  convert "$build/printed-page.png" -colors 64 PNG8:docs/printed-page.png
else
  cp "$build/printed-page.png" docs/printed-page.png
fi
