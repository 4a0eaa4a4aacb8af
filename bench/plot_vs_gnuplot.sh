#!/usr/bin/env bash
# Times whole runs of `tabrovex-plot chart` on a 1,000-row, 5-column workbook, to PNG and to
# a PDF page, and gnuplot (Debian's gnuplot-nox, pngcairo) drawing the same four curves
# from a CSV as a reference. Usage: bench/plot_vs_gnuplot.sh [build folder]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
data="$build/bench-data"
book="$data/bench_chart_1000x5.xls"
[ -f "$book" ] || /usr/bin/python3 "$here/make_bench_workbooks.py" "$data" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

# Median wall time in ms of running "$@" 15 times.
median_ms() {
  local times=()
  for _ in $(seq 15); do
    local t0 t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1
    t1=$(date +%s%N)
    times+=($(( (t1 - t0) / 1000 )))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR+1)/2)]/1000}'
}

png=$(median_ms "$build/tabrovex-plot" chart "$book" -o "$work/chart.png")
pdf=$(median_ms "$build/tabrovex-plot" chart "$book" --page -o "$work/page.pdf")
echo "tabrovex-plot chart -> PNG:      median $png ms (goal 150 ms)"
echo "tabrovex-plot chart --page -> PDF: median $pdf ms (goal 250 ms)"

if ! command -v gnuplot >/dev/null; then
  echo "gnuplot is not installed (apt-get install gnuplot-nox): no reference figure"
  exit 0
fi
# The same columns as CSV (the data rows of the workbook), for gnuplot.
"$build/tabrovex-plot" table "$book" | /usr/bin/python3 -c '
import json, sys
cols = json.load(sys.stdin)["columns"]
for row in zip(*[c[2:] for c in cols]):
    print(",".join(row))' > "$work/data.csv"
cat > "$work/plot.gp" <<GP
set terminal pngcairo size 817,529
set output "$work/gnuplot.png"
set datafile separator ","
set grid
plot for [c=2:5] "$work/data.csv" using 1:c smooth csplines with lines title columnhead(c)
GP
gp=$(median_ms gnuplot "$work/plot.gp")
echo "gnuplot pngcairo, same four curves:  median $gp ms"
awk -v a="$png" -v b="$gp" 'BEGIN {printf "ratio tabrovex-plot PNG / gnuplot: %.2f\n", a / b}'
