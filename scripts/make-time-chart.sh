#!/usr/bin/env bash
# Regenerates tests/fixtures/formats/timestamps-chart.png, the picture tabrovex-plot draws of
# the timestamp fixture with the default settings; tst_plottime compares its plot area
# (grid, curves, ticks: no text) with what the tool draws now.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
settings=$(mktemp)
trap 'rm -f "$settings"' EXIT
"$build/tabrovex-plot" chart tests/fixtures/formats/timestamps.csv --settings "$settings" \
  --size 640x360 -o tests/fixtures/formats/timestamps-chart.png >/dev/null
