#!/usr/bin/env bash
# Fails, listing the lines, when a library file includes a window or program header: only
# app/, cli/ and the ui/ folders may include "app/..." or ".../ui/...".
# Usage: check-layers.sh SRC_DIR
set -euo pipefail
src=${1:?usage: check-layers.sh SRC_DIR}
[ -d "$src" ] || { echo "FAIL: no folder $src"; exit 1; }
cd "$src"
files=$(find . -type f \( -name '*.h' -o -name '*.cpp' \) \
          -not -path './app/*' -not -path './cli/*' -not -path '*/ui/*' | sort)
[ -n "$files" ] || { echo "FAIL: no library sources under $src"; exit 1; }
# Quoted and angle-bracket includes alike, blanks after '#' allowed.
bad=$(echo "$files" | xargs grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<](app|([^">]*/)?ui)/' || true)
if [ -n "$bad" ]; then
  echo "FAIL: library files include app/ or a ui/ folder:"
  echo "$bad"
  exit 1
fi
echo "layers ok: $(echo "$files" | wc -l) library files include neither app/ nor a ui/ folder"
