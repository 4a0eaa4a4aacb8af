#!/usr/bin/env bash
# The English catalogue holds every text the sources give to the translation system, each
# translated, and nothing the sources no longer have: lupdate is run over the sources into
# a copy of it, which must come out unchanged.
# Usage: check-catalogue.sh LUPDATE SRC_DIR CATALOGUE.ts
set -euo pipefail
lupdate=$1 src=$2 catalogue=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$catalogue" "$work/copy.ts"
"$lupdate" -locations none "$src" -ts "$work/copy.ts" >"$work/lupdate.log" 2>&1 \
  || { cat "$work/lupdate.log"; fail "lupdate"; }
# lupdate warns about calls it cannot read (a tr() outside a class, a text that is no literal).
if grep -qi 'warning\|cannot' "$work/lupdate.log"; then
  cat "$work/lupdate.log"
  fail "lupdate could not read every text"
fi
unfinished=$(grep -c 'type="unfinished"' "$work/copy.ts" || true)
gone=$(grep -c 'type="vanished"\|type="obsolete"' "$work/copy.ts" || true)
[ "$unfinished" -eq 0 ] || fail "$unfinished texts without an English translation: $(grep -B2 'type="unfinished"' "$work/copy.ts" | grep '<source>' || true)"
[ "$gone" -eq 0 ] || fail "$gone entries the sources no longer have"
cmp -s "$catalogue" "$work/copy.ts" \
  || fail "the catalogue is not as lupdate writes it (cmake --build build --target tabrovex_lupdate): $(diff "$catalogue" "$work/copy.ts" || true)"
texts=$(grep -c '<source>' "$catalogue")
[ "$texts" -gt 0 ] || fail "no texts at all"
echo "catalogue check passed: $texts texts, all translated"
