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
  share/man/man1/tabrovex.1.gz share/man/man1/tabrovex-plot.1.gz
  share/man/zh_CN/man1/tabrovex.1.gz share/man/zh_CN/man1/tabrovex-plot.1.gz
  share/doc/tabrovex/copyright share/doc/tabrovex/changelog.Debian.gz
  share/tabrovex/001.xls share/tabrovex/option.ini
  share/tabrovex/translations/tabrovex_en.qm
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
for key in Name GenericName Comment Keywords; do
  grep -q "^$key=" "$desktop" && grep -q "^$key\[zh_CN\]=" "$desktop" || fail "$key in English and Chinese"
done
metainfo=$share/metainfo/org.tabrovex.Tabrovex.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
python3 - "$metainfo" <<'PY' || fail "metainfo"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
lang = "{http://www.w3.org/XML/1998/namespace}lang"
assert (root.findtext("project_license") or "").strip(), "no project licence"
for tag in ("name", "summary"):
    assert {e.get(lang) for e in root.findall(tag)} == {None, "zh-CN"}, tag
paragraphs = root.findall("description/p")
assert {p.get(lang) for p in paragraphs} == {None, "zh-CN"}, "description in both languages"
english = " ".join(p.text for p in paragraphs if p.get(lang) is None)
for kind in (".xls", ".xlsx", ".xlsm", ".ods", ".csv"):
    assert kind in english, kind
PY

# Debian's way: gzipped man pages in both languages and a changelog, stored without a name
# or time so that rebuilds repeat their bytes; the copyright file in its machine form.
man=$share/man
for gz in "$man"/man1/*.gz "$man"/zh_CN/man1/*.gz "$share/doc/tabrovex/changelog.Debian.gz"; do
  gzip -t "$gz" || fail "not gzip: $gz"
  [ "$(od -An -tx1 -j3 -N5 "$gz" | tr -d ' ')" = 0000000000 ] || fail "gzip with a name or a time: $gz"
done
for page in tabrovex tabrovex-plot; do
  for folder in man1 zh_CN/man1; do
    warnings=$(zcat "$man/$folder/$page.1.gz" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z 2>&1)
    [ -z "$warnings" ] || fail "man page $folder/$page: $warnings"
  done
done
# The pages are UTF-8 and say so, so that every locale's man reads their Chinese words.
# grep reads each page whole: with -q it would leave early and cut the pipe of a page longer
# than sed's buffer, which pipefail counts as a failure.
render() { zcat "$1" | LC_ALL=C.UTF-8 groff -k -man -Tutf8 2>/dev/null | sed 's/.\x08//g'; }
for gz in "$man"/man1/*.gz "$man"/zh_CN/man1/*.gz; do
  [ "$(zcat "$gz" | head -1)" = '.\" -*- coding: UTF-8 -*-' ] || fail "no coding line: $gz"
done
render "$man/man1/tabrovex.1.gz" | grep 'Draw curves, 绘制曲线' >/dev/null || fail "English tabrovex.1 lost its Chinese captions"
render "$man/man1/tabrovex.1.gz" | grep '数据文件' >/dev/null || fail "English tabrovex.1 lost the section names"
render "$man/zh_CN/man1/tabrovex.1.gz" | grep '把电子表格工作簿中的数据列绘制成曲线' >/dev/null || fail "Chinese tabrovex.1"
render "$man/zh_CN/man1/tabrovex-plot.1.gz" | grep '退出状态' >/dev/null || fail "Chinese tabrovex-plot.1"
# Plain ASCII (the POSIX locale) has no Chinese characters: there the English pages give
# the English captions alone, with no code points or stray bytes in their place.
for page in tabrovex tabrovex-plot; do
  warnings=$(zcat "$man/man1/$page.1.gz" | LC_ALL=C groff -k -man -Tascii -ww -z 2>&1)
  [ -z "$warnings" ] || fail "man page $page in ASCII: $warnings"
  ascii=$(zcat "$man/man1/$page.1.gz" | LC_ALL=C groff -k -man -Tascii 2>/dev/null | sed 's/.\x08//g')
  if printf '%s' "$ascii" | LC_ALL=C grep -nE '<U\+|[^ -~[:space:]]' >/dev/null; then
    fail "man page $page in ASCII shows characters it cannot: $(printf '%s' "$ascii" | LC_ALL=C grep -nE '<U\+|[^ -~[:space:]]' | head -3)"
  fi
done
if command -v man >/dev/null; then
  LANG=C.UTF-8 man -l "$man/man1/tabrovex.1.gz" 2>/dev/null | grep 'Draw curves, 绘制曲线' >/dev/null || fail "man in C.UTF-8 lost the Chinese captions"
  LC_ALL=C man -l "$man/man1/tabrovex.1.gz" 2>/dev/null | sed 's/.\x08//g' | grep 'button (Draw curves) opens' >/dev/null \
    || fail "man in the POSIX locale lost the English captions"
fi
# Every option the usage lists, in either language, is in both languages' pages.
for program in tabrovex tabrovex-plot; do
  options=$(for lang in en zh; do env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --lang $lang --help; done | grep -oE '(^|[][ ,])--?[a-z][a-z-]*' | sed 's/^[][ ,]//' | sort -u)
  [ -n "$options" ] || fail "$program --help lists no options"
  for folder in man1 zh_CN/man1; do
    text=$(render "$man/$folder/$program.1.gz")
    for option in $options; do
      grep -qe "$option\b" <<<"$text" || fail "$folder/$program.1 does not list $option"
    done
  done
done
copyright=$share/doc/tabrovex/copyright
head -1 "$copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' || fail "copyright format"
grep -q '^Files: \*$' "$copyright" && grep -q '^License: ' "$copyright" || fail "copyright stanza"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/tabrovex" --version | awk '{print $2}')
zcat "$share/doc/tabrovex/changelog.Debian.gz" | head -1 | grep -q "^tabrovex ($version) " || fail "the changelog's first entry is not version $version"
# The Debian package names every format it reads.
grep -A8 '^set(CPACK_PACKAGE_DESCRIPTION "' "$build/CPackConfig.cmake" > "$dest/description"
for kind in .xls .xlsx .xlsm .ods .csv; do
  grep -qF "$kind" "$dest/description" || fail "the package description does not name $kind"
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
# Both languages, the English texts from the installed catalogue.
for program in tabrovex tabrovex-plot; do
  for pair in "en:Usage: $program " "zh:用法：$program "; do
    said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/bin/$program" --lang "${pair%%:*}" --help 2>&1)
    [[ "$said" == "${pair#*:}"* ]] || fail "$program --lang ${pair%%:*} --help said: $said"
  done
done

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
