#!/usr/bin/env bash
# Whole processes on long delimited-text logs, best of $RUNS (3), peak memory from
# /usr/bin/time -v: `tabrovex-plot chart` to a PNG of three curves against data.table's
# fread (r-cran-data.table, 2 threads, the Rscript process whole) and pandas.read_csv when
# python3-pandas is there. Files: 10,000,000 x 4 (about 310 MB),
# 1,000,000 x 8, and the same 1,000,000 x 8 with ';' and decimal commas.
#   bench/vs_fread.sh [BUILD_DIR]
# The files are written into a temporary folder, or kept in $TABROVEX_FREAD_LOGS.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
plot=$build/tabrovex-plot
runs=${RUNS:-3}
if [ ! -x "$plot" ]; then
  echo "vs_fread: no $plot: build it first (cmake --build build --target tabrovex-plot)" >&2
  exit 1
fi
if [ ! -x /usr/bin/time ] || ! Rscript -e 'library(data.table)' >/dev/null 2>&1; then
  echo "vs_fread: /usr/bin/time or r-cran-data.table is missing: bash scripts/install-deps.sh test" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=${TABROVEX_FREAD_LOGS:-$work}
export QT_QPA_PLATFORM=offscreen

/usr/bin/python3 - "$data" <<'EOF'
import os, sys
folder = sys.argv[1]
def write(name, header, rows, line):
    path = os.path.join(folder, name)
    if os.path.exists(path):
        return
    with open(path, 'w', newline='\n') as f:
        f.write(header)
        for start in range(0, rows, 100000):
            f.write(''.join(line(i) for i in range(start, min(rows, start + 100000))))
write('log_10M_x4.csv', 't,a,b,c\ns,V,A,C\n', 10000000,
      lambda i: f'{i * 0.001:.3f},{i % 1000 * 0.5 + 1000.25:.2f},{i * 7919 % 1000003 / 1000:.3f},{i % 13}.{i % 7}\n')
eight = lambda i: [f'{i * 0.001:.3f}', f'{i % 1000 * 0.25:g}', f'{(i * 7919) % 100003 / 100:g}', str(i % 13),
                   f'{-(i % 997) * 1.5:g}', f'{(i * 31) % 10007 / 1000:g}', str(i * 3 % 65536), f'{i % 500 / 8:g}']
write('log_1M_x8.csv', 't,a,b,c,d,e,f,g\ns,V,A,C,V,A,C,V\n', 1000000, lambda i: ','.join(eight(i)) + '\n')
write('log_1M_x8_comma.csv', 't;a;b;c;d;e;f;g\ns;V;A;C;V;A;C;V\n', 1000000,
      lambda i: ';'.join(v.replace('.', ',') for v in eight(i)) + '\n')
EOF

# One timed run of "$@": sets t (seconds), kb (peak) and rc.
timed() {
  rc=0
  /usr/bin/time -v -o "$work/time" "$@" >"$work/out" 2>"$work/err" || rc=$?
  t=$(awk -F': ' '/Elapsed/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$work/time")
  kb=$(awk -F': ' '/Maximum resident/ {print $2}' "$work/time")
}

# best LABEL COMMAND...: prints the best time of $runs and the largest peak.
best() {
  local label=$1 b=- peak=0 i
  shift
  for i in $(seq "$runs"); do
    timed "$@"
    if [ "$rc" -ne 0 ]; then
      printf '%-44s failed (exit %d): %s\n' "$label" "$rc" "$(head -c 200 "$work/err")"
      return
    fi
    b=$(awk -v a="$t" -v b="$b" 'BEGIN {print (b == "-" || a < b) ? a : b}')
    peak=$(( kb > peak ? kb : peak ))
  done
  printf '%-44s %8.2f s %8d MB\n' "$label" "$b" $(( peak / 1024 ))
}

has_pandas=$(/usr/bin/python3 -c 'import pandas' 2>/dev/null && echo 1 || echo 0)
echo "best of $runs, whole processes; the machine may be shared with other work"
for name in log_10M_x4.csv log_1M_x8.csv log_1M_x8_comma.csv; do
  file=$data/$name
  sep=, dec=.
  case $name in *comma*) sep=';' dec=',' ;; esac
  best "tabrovex-plot chart $name (3 curves)" "$plot" chart "$file" -x 1 -y 2,3,4 -o "$work/out.png"
  best "fread $name (2 threads)" Rscript -e "library(data.table); setDTthreads(2); \
x <- fread('$file', sep='$sep', dec='$dec', skip=2, header=FALSE)"
  if [ "$has_pandas" = 1 ]; then
    best "pandas.read_csv $name" /usr/bin/python3 -c "import sys, pandas; pandas.read_csv(sys.argv[1], sep='$sep', decimal='$dec', header=[0, 1])" "$file"
  fi
done
echo "goals: 10M x 4 <= 0.7x fread and <= 450 MB; 1M x 8 <= 0.6x fread; ';' with decimal commas no slower than ','"
