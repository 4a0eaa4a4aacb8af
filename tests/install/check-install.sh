#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a user gets: every file in
# its place, the desktop entry and the AppStream metainfo valid, the man pages clean, the
# icons at their sizes, and the installed programs working from there.
# Usage: check-install.sh BUILD_DIR. Exit 77 (skipped) when a checking tool is missing.
set -euo pipefail
build=$1
for tool in desktop-file-validate appstreamcli groff python3 pdftotext; do
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
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tabrovex" --lang en --help | grep -q 'Usage: tabrovex \[--lang zh|en\] \[FILE\]' \
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
# Without --settings the installed tabrovex-plot reads the user's own settings file, as the
# installed tabrovex keeps it, and writes nothing there; with none yet, the starter's.
home=$dest/home
mkdir -p "$home/config/tabrovex"
python3 - "$home/config/tabrovex/option.ini" <<'PY'
import sys
text = "[数据曲线]\r\n背景颜色=3430008\r\n曲线标题=用户标题 Install 7319\r\n"
open(sys.argv[1], "wb").write(text.encode("gbk"))
PY
user_plot() { HOME="$home" XDG_CONFIG_HOME="$1" "$root/bin/tabrovex-plot" chart "$share/tabrovex/001.xls" -o "$2" >/dev/null; }
before=$(cd "$home" && find . -exec ls -ld --time-style=full-iso {} + | sort)
user_plot "$home/config" "$dest/user.png" || fail "tabrovex-plot chart with the user's settings"
user_plot "$home/config" "$dest/user.pdf" || fail "tabrovex-plot chart --page with the user's settings"
user_plot "$home/empty" "$dest/starter.png" || fail "tabrovex-plot chart with no user settings yet"
after=$(cd "$home" && find . -exec ls -ld --time-style=full-iso {} + | sort)
[ "$before" = "$after" ] || fail "tabrovex-plot wrote below the user's home: $(diff <(echo "$before") <(echo "$after") || true)"
pdftotext -enc UTF-8 "$dest/user.pdf" - | grep -q '用户标题 Install 7319' || fail "the user's title is not on the page"
python3 - "$dest/user.png" "$dest/starter.png" <<'PY' || fail "the user's background colour"
import struct, sys, zlib

def pixels(path):
    """The RGB pixels of an 8-bit, non-interlaced RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, (depth, colour, interlace)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    bpp = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(idat), width * bpp
    prev, out = bytearray(stride), []
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            if kind == 1: row[i] = (row[i] + a) & 255
            elif kind == 2: row[i] = (row[i] + b) & 255
            elif kind == 3: row[i] = (row[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out += [tuple(row[i:i + 3]) for i in range(0, stride, bpp)]
        prev = row
    return out

user, starter = pixels(sys.argv[1]), pixels(sys.argv[2])
wanted = (0x78, 0x56, 0x34)  # 3430008 = 0x345678, red in the low byte
share = lambda px: sum(p == wanted for p in px) / len(px)
assert share(user) > 0.3, share(user)
assert share(starter) == 0, share(starter)
PY

echo "install check passed: ${#expected[@]} files"
