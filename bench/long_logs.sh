#!/usr/bin/env bash
# Whole runs of tabrovex-plot on long measurement logs, and of a peer reader (python3-pandas,
# python3-openpyxl, python3-xlrd) on the same file in the same run: alternating, best of
# $RUNS (3), elapsed seconds and peak memory from /usr/bin/time. Prints a table with the
# goals; a goal not met is reported, not an error.
#   bench/long_logs.sh [BUILD_DIR] [--quick]
# --quick: a tenth of the rows. The files (scripts/make_long_logs.py) are written into a
# temporary folder, or kept in $TABROVEX_LONG_LOGS when that names a folder.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$here/../build
scale=1
for a in "$@"; do
  case $a in
    --quick) scale=0.1 ;;
    -*) echo "usage: bench/long_logs.sh [BUILD_DIR] [--quick]" >&2; exit 1 ;;
    *) build=$a ;;
  esac
done
plot=$build/tabrovex-plot
python=/usr/bin/python3
if [ ! -x "$plot" ]; then
  echo "long_logs: no $plot: build it first (cmake --build build --target tabrovex-plot)" >&2
  exit 1
fi
if [ ! -x /usr/bin/time ] || ! $python -c 'import numpy, pandas, openpyxl, xlrd, xlwt' 2>/dev/null; then
  echo "long_logs: /usr/bin/time or a python3 module is missing: bash scripts/install-deps.sh test" >&2
  exit 1
fi
runs=${RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
data=${TABROVEX_LONG_LOGS:-$work/logs}
export QT_QPA_PLATFORM=offscreen

generator=$here/../scripts/make_long_logs.py
$python "$generator" "$data" --rows-scale "$scale"
mapfile -t names < <($python "$generator" --list --rows-scale "$scale" "$data")
csv_long=$data/${names[0]} csv_wide=$data/${names[1]} xlsx=$data/${names[2]} xls=$data/${names[3]}

read_csv='import sys, pandas; pandas.read_csv(sys.argv[1], header=[0, 1])'
read_csv_rows='import sys, pandas; pandas.read_csv(sys.argv[1], header=[0, 1], skiprows=range(2, 1001), nrows=1001)'
read_xlsx='import sys, openpyxl
for row in openpyxl.load_workbook(sys.argv[1], read_only=True).worksheets[0].iter_rows(values_only=True): pass'
read_xls='import sys, xlrd
s = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
for r in range(s.nrows): s.row_values(r)'

# One timed run of "$@": sets t (seconds), kb (peak) and rc; its output goes to $work/last.*
timed() {
  rc=0
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >"$work/last.out" 2>"$work/last.err" || rc=$?
  read -r t kb < <(tail -n 1 "$work/time")
}

rows=()   # the table's lines
notes=()  # what the program said about the reads

# The first run's exit status, the chart's log lines and errors, and whether rows were cut:
# the log's row count against the rows the file's name gives.
note() {
  local log read_rows file_rows cut=
  log=$(grep -o '"log":\[[^]]*\]' "$work/last.out" || true)
  read_rows=$(grep -o '数据行数：[0-9]*' <<<"$log" | grep -o '[0-9]*$' || true)
  file_rows=$(grep -o 'log_[0-9]*x' <<<"$1" | tr -dc 0-9)
  if [ -n "$read_rows" ] && [ -n "$file_rows" ] && [ "$read_rows" -lt "$file_rows" ]; then
    cut=" -- CUT: $read_rows of the file's $file_rows rows read"
    cut_rows="$read_rows/$file_rows"
  fi
  notes+=("$1: exit $rc $log$(head -n 1 "$work/last.err")$cut")
}

least() { awk -v a="$1" -v b="$2" 'BEGIN {print (b == "-" || a < b) ? a : b}'; }

# measure LABEL RATIO_GOAL PEAK_GOAL_MB GOAL_TEXT: runs the arrays ours and peer, alternating.
# A goal "-" is none; with $optional set, a refusal of that option is "not supported".
# Our program is not run again once it failed; the peer still is.
measure() {
  local label=$1 ratio_goal=$2 peak_goal=$3 goal=$4 best_o=- best_p=- peak=0 status=0 unsupported= i
  cut_rows=
  echo "  $label" >&2
  for i in $(seq "$runs"); do
    if [ "$status" -eq 0 ]; then
      timed "${ours[@]}"
      status=$rc
      if [ "$rc" -ne 0 ] && [ -n "${optional:-}" ] && grep -q -- "unknown option $optional" "$work/last.err"; then
        unsupported=1
      fi
      [ "$i" -eq 1 ] && note "$label"
      if [ "$rc" -eq 0 ]; then best_o=$(least "$t" "$best_o"); peak=$(( kb > peak ? kb : peak )); fi
    fi
    timed "${peer[@]}"
    if [ "$rc" -ne 0 ]; then
      echo "long_logs: the peer failed on $label: $(tail -n 1 "$work/last.err")" >&2
      best_p=-
      break
    fi
    best_p=$(least "$t" "$best_p")
  done
  awk -v l="$label" -v o="$best_o" -v p="$best_p" -v kb="$peak" -v st="$status" -v unsup="$unsupported" -v cut="$cut_rows" \
      -v rg="$ratio_goal" -v pg="$peak_goal" -v g="$goal" 'BEGIN {
    if (st != 0) {
      res = unsup ? "not supported" : "not met (exit " st ")"
      printf "%-34s %8s %8s %7s %8s  %-26s %s\n", l, "-", p, "-", "-", g, res
      exit
    }
    mb = kb / 1024; r = p != "-" ? o / p : 0
    met = (rg == "-" || (p != "-" && r <= rg)) && (pg == "-" || mb <= pg)
    res = (rg == "-" && pg == "-") ? "reported" : (met ? "met" : "not met")
    if (cut) res = res " (rows cut: " cut ")"
    printf "%-34s %8.2f %8s %6.2fx %8.0f  %-26s %s\n", l, o, p, r, mb, g, res }' >"$work/row"
  rows+=("$(cat "$work/row")")
}

echo "long_logs: $runs runs of each, alternating with the peer:" >&2
png=$work/out.png
ours=("$plot" chart "$csv_long" -x 1 -y 2,3,4,5 -o "$png") peer=($python -c "$read_csv" "$csv_long")
measure "${names[0]} -> PNG" 0.6 300 "<=0.6x read_csv, <=300 MB"
ours=("$plot" chart "$csv_wide" -x 1 -y 2,3,4,5 -o "$png") peer=($python -c "$read_csv" "$csv_wide")
measure "${names[1]} -> PNG" 0.5 - "<=0.5x read_csv"
ours=("$plot" chart "$xlsx" -x 1 -y 2,3,4,5 -o "$png") peer=($python -c "$read_xlsx" "$xlsx")
measure "${names[2]} -> PNG" 0.1 1536 "<=0.1x openpyxl, <=1.5 GB"
ours=("$plot" chart "$xls" -x 1 -y 2,3,4,5 -o "$png") peer=($python -c "$read_xls" "$xls")
measure "${names[3]} -> PNG" 0.29 - "<=0.29x xlrd (today's)"
ours=(sh -c 'exec "$0" table "$1" >/dev/null' "$plot" "$csv_wide") peer=($python -c "$read_csv" "$csv_wide")
measure "table ${names[1]}" - - "time, peak (vs read_csv)"
optional=--rows  # comes with the long-log reading; refused today
ours=(sh -c 'exec "$0" table "$1" --rows 1000:2000 >/dev/null' "$plot" "$csv_wide") peer=($python -c "$read_csv_rows" "$csv_wide")
measure "table ${names[1]} --rows" - - "time, peak (vs read_csv)"

printf '\n%-34s %8s %8s %7s %8s  %-26s %s\n' measure "ours s" "peer s" ratio "ours MB" goal result
printf '%s\n' "${rows[@]}"
echo
echo "best of $runs; peers: pandas.read_csv (header rows 1-2), openpyxl read-only iterating every row's"
echo "values, xlrd reading every row's values; whole processes, python start-up included."
[ "$scale" = 1 ] || echo "--quick: a tenth of the rows; python's start-up weighs more there, so the ratios are not the goals' figures."
echo "A file's name gives its rows (the name and unit rows included) and columns."
echo "What the program said on the first run of each (exit status, chart's log lines, errors):"
printf '  %s\n' "${notes[@]}"
