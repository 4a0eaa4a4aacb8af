#!/usr/bin/env bash
# Fails, listing the lines, when a library file includes a window or program header: only
# app/, cli/ and the ui/ folders may include "app/..." or ".../ui/...". A window unit in a
# ui/ folder is handed what it shows: it includes neither the main window (app/mainunit.h)
# nor another ui/ folder.
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

windows=$(find . -type f \( -name '*.h' -o -name '*.cpp' \) -path '*/ui/*' | sort)
[ -n "$windows" ] || { echo "FAIL: no window units under $src"; exit 1; }
include='^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]'
badWindows=""
for file in $windows; do
  own=$(dirname "${file#./}")
  lines=$(grep -nE "$include"'(app/mainunit\.h|([^">]*/)?ui/)' "$file" \
            | grep -vE "^[0-9]+:${include#^}$own/[^/\">]*[\">]" || true)
  [ -z "$lines" ] || badWindows+="$file: $lines"$'\n'
done
if [ -n "$badWindows" ]; then
  echo "FAIL: window units include the main window or another ui/ folder:"
  printf '%s' "$badWindows"
  exit 1
fi
echo "layers ok: $(echo "$files" | wc -l) library files include neither app/ nor a ui/ folder;" \
     "$(echo "$windows" | wc -l) window units include neither app/mainunit.h nor another ui/ folder"
