#!/usr/bin/env bash
# tabrovex-plot table on every file of the logger corpus (../shared/corpus/loggers): per
# file the exit status, the read time, the names with their units (name [unit]), the
# columns read as times, and the log lines.
#   bash bench/loggers.sh [BUILD_DIR] [CORPUS_DIR]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
corpus=${2:-$here/../../shared/corpus/loggers}
plot=$build/tabrovex-plot
if [ ! -x "$plot" ]; then
  echo "loggers: no $plot: build it first (cmake --build build --target tabrovex-plot)" >&2
  exit 1
fi
if [ ! -d "$corpus" ]; then
  echo "loggers: no corpus at $corpus" >&2
  exit 1
fi
export QT_QPA_PLATFORM=offscreen
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for f in "$corpus"/*; do
  case $(basename "$f") in README.md|SOURCES.tsv|EXPECT.tsv|.*) continue ;; esac
  start=$(date +%s.%N)
  "$plot" table --rows 1:3 -- "$f" >"$out" 2>&1
  status=$?
  end=$(date +%s.%N)
  python3 - "$f" "$status" "$start" "$end" "$out" <<'PY'
import json, os, sys
path, status, start, end, out = sys.argv[1:]
text = open(out, encoding='utf-8', errors='replace').read()
print(f"{os.path.basename(path)}: exit {status}, {float(end) - float(start):.2f} s")
try:
    table = json.loads(text)
except ValueError:
    print("  " + text.strip().replace("\n", "\n  "))
    sys.exit(0)
cols = table.get("columns", [])
def label(c):
    name = c[0] if c else ""
    unit = c[1] if len(c) > 1 else ""
    return f"{name} [{unit}]" if unit else name
print("  names: " + " | ".join(label(c) for c in cols))
times = [f"{i + 1} {c[0]} ({c[2]})" for i, c in enumerate(cols) if len(c) > 2 and c[2] and c[2][0].isdigit() and (':' in c[2] or c[2].count('/') == 2 or c[2].count('.') == 2 or c[2].count('-') == 2)]
print("  time columns: " + ("; ".join(times) if times else "none"))
print("  log: " + " / ".join(table.get("log", [])))
PY
done
