#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a user gets: every file in
# its place, the desktop entry and the AppStream metainfo valid, the man pages clean, the
# icons at their sizes, and the installed programs working from there.
# Usage: check-install.sh BUILD_DIR. Exit 77 (skipped) when a checking tool is missing.
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli groff python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/install-deps.sh test installs it)"
    exit 77
  fi
done

dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR="$dest" cmake --install "$build" --prefix /usr/local >"$dest/install.log" \
  || { cat "$dest/install.log"; fail "cmake --install"; }
root=$dest/usr/local
share=$root/share

expected=(
  bin/tabrovex bin/tabrovex-plot
  share/applications/org.tabrovex.Tabrovex.desktop
  share/metainfo/org.tabrovex.Tabrovex.metainfo.xml
  share/icons/hicolor/scalable/apps/tabrovex.svg
  share/man/man1/tabrovex.1 share/man/man1/tabrovex-plot.1
  share/tabrovex/001.xls share/tabrovex/option.ini
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/tabrovex.png")
done
for f in "${expected[@]}"; do
  [ -f "$root/$f" ] || fail "not installed: $f"
done
# Nothing else: no tests, benchmarks or build files in a user's system.
installed=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$installed" = "$wanted" ] || fail "installed files differ: $(diff <(echo "$wanted") <(echo "$installed") || true)"
[ -x "$root/bin/tabrovex" ] && [ -x "$root/bin/tabrovex-plot" ] || fail "programs not executable"

desktop=$share/applications/org.tabrovex.Tabrovex.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=tabrovex %f' "$desktop" || fail "Exec line"
for t in application/vnd.ms-excel application/vnd.oasis.opendocument.spreadsheet text/csv; do
  grep -q "^MimeType=.*$t;" "$desktop" || fail "MIME type $t"
done
grep -q '^Name\[zh_CN\]=' "$desktop" && grep -q '^Comment\[zh_CN\]=' "$desktop" || fail "Chinese name or comment"
appstreamcli validate --no-net "$share/metainfo/org.tabrovex.Tabrovex.metainfo.xml" || fail "appstreamcli validate"

for page in tabrovex tabrovex-plot; do
  warnings=$(LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z "$share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || fail "man page $page: $warnings"
done

python3 - "$share/icons/hicolor" <<'PY' || fail "icon sizes"
import struct, sys
for size in (16, 24, 32, 48, 64, 128, 256):
    with open(f"{sys.argv[1]}/{size}x{size}/apps/tabrovex.png", "rb") as f:
        head = f.read(24)
    assert head[:8] == b"\x89PNG\r\n\x1a\n", size
    assert struct.unpack(">II", head[16:24]) == (size, size), (size, head[16:24])
PY

# The installed programs answer on a terminal without a display.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tabrovex" --version) || fail "tabrovex --version"
[[ "$version" == "tabrovex "[0-9]* ]] || fail "tabrovex --version said: $version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tabrovex" --help | grep -q 'Usage: tabrovex \[FILE\]' \
  || fail "tabrovex --help"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/tabrovex" --no-such-option 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "an unknown option gave status $status, not 1"

# The installed tabrovex-plot draws the installed sample with the starter's colours.
out=$dest/sample.png
json=$("$root/bin/tabrovex-plot" chart "$share/tabrovex/001.xls" --settings "$share/tabrovex/option.ini" -o "$out") \
  || fail "tabrovex-plot chart on the installed sample"
python3 - "$out" "$json" <<'PY' || fail "the sample's chart"
import json, struct, sys
with open(sys.argv[1], "rb") as f:
    head = f.read(24)
assert head[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
width, height = struct.unpack(">II", head[16:24])
assert width > 400 and height > 300, (width, height)
report = json.loads(sys.argv[2])
curves = report["curves"]
assert len(curves) == 4 and all(c["points"] > 100 for c in curves), curves
PY
echo "install check passed: ${#expected[@]} files"
