#!/usr/bin/env bash
# Time, peak memory, exit status and message of `tabrovex-plot table` on every hostile
# package of scripts/make_hostile_packages.py at the sizes of the report (a 50 MB shared
# string, a 150 MB stored string table, one cell written over 2 million times, 1.5 million
# distinct strings in 159 MB, a 2 KB .ods of a row repeated a million times), and on the
# corpus's poc-shared-strings.xlsx when
# the corpus is there. Each run has an address-space limit of 6 GB and a minute at most;
# standard output goes to /dev/null. Build first (cmake --build build --target tabrovex_plot).
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
plot="${PLOT:-$root/build/tabrovex-plot}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

files=()
for entry in shared-text-cells:0 long-shared:52428800 deflate-bomb:0 stored-strings:157286400 \
            folder-flood:0 cell-overwrite:200000000 distinct-strings:159000000 ods-repeat:0; do
  kind="${entry%%:*}"
  python3 "$root/scripts/make_hostile_packages.py" "$kind" "${entry#*:}" "$work/$kind.xlsx"
  files+=("$work/$kind.xlsx")
done
corpus="$root/../shared/corpus/xlsx/poi__test-data_spreadsheet_poc-shared-strings.xlsx"
[ -f "$corpus" ] && files+=("$corpus")

printf '%-28s %10s %8s %10s %4s  %s\n' file KiB seconds 'peak MiB' exit message
for f in "${files[@]}"; do
  ( ulimit -v 6000000
    exec /usr/bin/time -f '%e %M' -o "$work/time" timeout 60 "$plot" table "$f" \
      >/dev/null 2>"$work/err" )
  status=$?
  read -r seconds peak < <(tail -n 1 "$work/time")
  message="$(grep -v '^Command\|^\s' "$work/err" | head -c 160 | tr '\n' ' ')"
  printf '%-28s %10d %8s %10d %4d  %s\n' "$(basename "$f" .xlsx | cut -c1-28)" \
    $(( $(stat -c %s "$f") / 1024 )) "$seconds" $(( peak / 1024 )) "$status" "${message##*：}"
done
