#!/usr/bin/env bash
# Time and peak memory of every hostile workbook at 200 MB (or $1 MB): the hostile test's
# own rows, run with their floods at that size. Build first (cmake --build build).
set -euo pipefail
build="$(cd "$(dirname "$0")/.." && pwd)/build"
TABROVEX_HOSTILE_MB="${1:-200}" "$build/tst_hostile" 2>&1 \
  | sed -n 's/^QINFO  : TestHostile::hostile([^)]*) //p; /^Totals/p; /^FAIL/p'
