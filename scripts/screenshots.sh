#!/usr/bin/env bash
# Regenerates the English screenshots in docs/ from a built tree: the window texts test
# opens the main window on the sample workbook, the chart window and both dialogs in
# English offscreen and keeps a picture of each beside the build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target tst_windowtexts >/dev/null
(cd "$build" && QT_QPA_PLATFORM=offscreen ./tst_windowtexts everyWindow:English >/dev/null)
mkdir -p docs
for pair in main:main-window-en TdataLineForm:chart-window-en TsetLinecolorform:colours-dialog-en \
            TsetrulerForm:limits-dialog-en; do
  from="$build/screenshot-${pair%%:*}.png" to="docs/${pair##*:}.png"
  # Fewer colours keep the pictures small; without ImageMagick they are copied as they are.
  convert "$from" -colors 64 PNG8:"$to" 2>/dev/null || cp "$from" "$to"
done
ls -l docs/*-en.png
