#!/usr/bin/env bash
# Time and peak memory of every hostile workbook at 200 MB (or $1 MB): the hostile test's
# own rows, run with their floods at that size. Then `tabrovex-plot` on the hostile text
# files and .xls floods at the sizes of the report (a 300 MB line of 39 million fields,
# 100 MB of bare CR or LF, 1 GiB of NULs, 52 million empty CONTINUE records ...), and an
# 8192 x 8192 chart with too little memory to draw it: time, peak memory, exit status and
# message of each. Build first (cmake --build build).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
TABROVEX_HOSTILE_MB="${1:-200}" "$build/tst_hostile" 2>&1 \
  | sed -n 's/^QINFO  : TestHostile::hostile([^)]*) //p; /^Totals/p; /^FAIL/p'

plot="${PLOT:-$build/tabrovex-plot}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# One run: address space limit (KB), then the command; prints a line of the table.
measure() {
  local name="$1" limit="$2" size="$3"
  shift 3
  ( ulimit -v "$limit"
    exec /usr/bin/time -f '%e %M' -o "$work/time" timeout 60 "$@" >/dev/null 2>"$work/err" )
  local status=$?
  read -r seconds peak < <(tail -n 1 "$work/time")
  local message
  message="$(grep -v '^Command\|^\s' "$work/err" | head -c 160 | tr '\n' ' ')"
  printf '%-24s %10d %8s %10d %4d  %s\n' "$name" $(( size / 1024 )) "$seconds" $(( peak / 1024 )) \
    "$status" "${message##*：}"
}

printf '\n%-24s %10s %8s %10s %4s  %s\n' file KiB seconds 'peak MiB' exit message
for entry in long-line:300000000 bare-cr:104857600 bare-lf:104857600 nul-text:1073741824 \
            utf16-nul:1073741824 binary-text:209715200 continue-flood:208000000; do
  kind="${entry%%:*}"
  python3 "$root/scripts/make_hostile_workbooks.py" "$kind" "${entry#*:}" "$work/$kind.xls"
  measure "$kind" 6000000 "$(stat -c %s "$work/$kind.xls")" "$plot" table "$work/$kind.xls"
  rm -f "$work/$kind.xls"
done
# 250 MB of address space read the sample, but do not hold the 256 MB picture as well.
measure "chart 8192x8192" 256000 0 "$plot" chart "$root/data/001.xls" --size 8192x8192 \
  -o "$work/chart.png"
