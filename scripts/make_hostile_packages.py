#!/usr/bin/python3
"""Writes hostile .xlsx packages: zips built to make a reader hold, inflate or walk far
more than the file's size.

    make_hostile_packages.py KIND BYTES OUT

KIND is one of the names in KINDS below, BYTES the rough size of what grows with it
(ignored by the kinds of a fixed size), OUT the file to write. The test of hostile
workbooks and the benchmark call this with small and with large sizes; nothing it writes
is committed.
"""
import os
import random
import sys
import zipfile

MAIN = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
RELS = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG_RELS = 'http://schemas.openxmlformats.org/package/2006/relationships'

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
    '</Types>')
ROOT_RELS = (
    '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s">'
    '<Relationship Id="rId1" Type="%s/officeDocument" Target="xl/workbook.xml"/>'
    '</Relationships>' % (PKG_RELS, RELS))
WORKBOOK = (
    '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s">'
    '<sheets><sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, RELS))
BOOK_RELS = (
    '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s">'
    '<Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
    '<Relationship Id="rId2" Type="%s/sharedStrings" Target="sharedStrings.xml"/>'
    '</Relationships>' % (PKG_RELS, RELS, RELS))

SHEET_HEAD = '<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>' % MAIN
SHEET_TAIL = '</sheetData></worksheet>'
SST_HEAD = '<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s">' % MAIN
SST_TAIL = '</sst>'


def col(c):
    s = ''
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


def shared_cells(rows, cols, index=0):
    """Rows of cells all showing shared string `index`."""
    return ''.join('<row r="%d">' % r
                   + ''.join('<c r="%s%d" t="s"><v>%d</v></c>' % (col(c), r, index)
                             for c in range(1, cols + 1))
                   + '</row>' for r in range(1, rows + 1))


def letters(count):
    """`count` letters that deflate does not shrink much: 20 times "L", then bytes of a
    fixed random sequence over a 64-letter alphabet."""
    alphabet = (b'ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-' * 4)
    head = b'L' * min(count, 20)
    return head + random.Random(20).randbytes(count - len(head)).translate(alphabet)


def package(out, sheet, strings=None, strings_method=zipfile.ZIP_DEFLATED, extra=()):
    """The package around a sheet part and a shared strings part (text, bytes or an
    iterable of byte chunks written as they come)."""
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for name in extra:
            z.writestr(name, b'')
        z.writestr('[Content_Types].xml', CONTENT_TYPES)
        z.writestr('_rels/.rels', ROOT_RELS)
        z.writestr('xl/workbook.xml', WORKBOOK)
        z.writestr('xl/_rels/workbook.xml.rels', BOOK_RELS)
        for name, data, method in (('xl/worksheets/sheet1.xml', sheet, zipfile.ZIP_DEFLATED),
                                   ('xl/sharedStrings.xml', strings, strings_method)):
            if data is None:
                continue
            if isinstance(data, (str, bytes)):
                z.writestr(zipfile.ZipInfo(name), data, method)
                continue
            info = zipfile.ZipInfo(name)
            info.compress_type = method
            with z.open(info, 'w') as part:
                for chunk in data:
                    part.write(chunk)


# ---- the kinds ------------------------------------------------------------------------

def shared_text_cells(out, size):
    """One 1 MB shared string in every cell of 4,000 rows x 3 columns."""
    del size
    text = letters(1 << 20)
    package(out, SHEET_HEAD + shared_cells(4000, 3) + SHEET_TAIL,
            [SST_HEAD.encode(), b'<si><t>', text, b'</t></si>', SST_TAIL.encode()])


def long_shared(out, size):
    """One shared string of `size` letters in 100 cells of one column."""
    text = letters(size)
    chunks = [SST_HEAD.encode(), b'<si><t>']
    chunks += [text[i:i + (1 << 20)] for i in range(0, len(text), 1 << 20)]
    chunks += [b'</t></si>', SST_TAIL.encode()]
    package(out, SHEET_HEAD + shared_cells(100, 1) + SHEET_TAIL, chunks)


def deflate_bomb(out, size):
    """A sheet part of 500 MB: rows of one cell, each padded with blanks to 8 KB, deflated
    at nearly the highest ratio deflate has (about 1,000:1)."""
    del size
    row = b'<row><c><v>1</v></c></row>'
    block = (row + b' ' * (8192 - len(row))) * 64
    count = (500 << 20) // len(block)
    package(out, [SHEET_HEAD.encode()] + [block] * count + [SHEET_TAIL.encode()])


def stored_strings(out, size):
    """A shared strings part of one-character strings ending in "end", stored without
    compression, and a small table of the last 12 of them and 12 numbers."""
    item = b'<si><t>s</t></si>'
    count = max(16, size // len(item))
    block = item * 65536
    chunks = [SST_HEAD.encode()] + [block] * ((count - 1) // 65536)
    chunks += [item * ((count - 1) % 65536), b'<si><t>end</t></si>', SST_TAIL.encode()]
    sheet = SHEET_HEAD + ''.join(
        '<row r="%d"><c r="A%d" t="s"><v>%d</v></c><c r="B%d"><v>%d</v></c></row>'
        % (r, r, count - 13 + r, r, r) for r in range(1, 13)) + SHEET_TAIL
    package(out, sheet, chunks, zipfile.ZIP_STORED)


def folder_flood(out, size):
    """60,000 empty folder entries in front of a small workbook."""
    del size
    sheet = SHEET_HEAD + ''.join('<row r="%d"><c r="A%d"><v>%d</v></c></row>' % (r, r, r)
                                 for r in range(1, 4)) + SHEET_TAIL
    package(out, sheet, extra=['f%05d/' % i for i in range(60000)])


def cell_overwrite(out, size):
    """A name and a unit row, then cell A3 written over `size` // 100 times (2 million at
    200 MB) with a text of its own, the last one "last"; B3 a number."""
    count = max(2, size // 100)
    head = ('<row r="1"><c r="A1" t="inlineStr"><is><t>a</t></is></c><c r="B1" t="inlineStr">'
            '<is><t>b</t></is></c></row><row r="2"><c r="A2" t="inlineStr"><is><t>u</t></is></c>'
            '<c r="B2" t="inlineStr"><is><t>u</t></is></c></row><row r="3">')
    text = 'x' * 180
    block = ''.join('<c r="A3" t="inlineStr"><is><t>%06d%s</t></is></c>' % (i, text)
                    for i in range(1000)).encode()
    chunks = [SHEET_HEAD.encode(), head.encode()] + [block] * ((count - 1) // 1000)
    chunks += [''.join('<c r="A3" t="inlineStr"><is><t>%06d%s</t></is></c>' % (i, text)
                       for i in range((count - 1) % 1000)).encode()]
    chunks += [b'<c r="A3" t="inlineStr"><is><t>last</t></is></c><c r="B3"><v>3</v></c></row>',
               SHEET_TAIL.encode()]
    package(out, chunks)


def distinct_strings(out, size):
    """Distinct shared strings of 52 Chinese characters (from 2,048: deflate keeps about two
    bytes of each), one for every 106 bytes of `size` (1.5 million at 159 MB, 78 million
    characters), each shown once: rows of three cells under a name and a unit row, the last
    one "end"."""
    count = max(3, (size // 106) // 3 * 3)
    rnd = random.Random(26)
    high = bytes(0x4E + (b & 7) for b in range(256))

    def chinese(n):
        """n strings of 52 characters, as UTF-8."""
        raw = rnd.randbytes(104 * n)
        utf16 = bytearray(104 * n)
        utf16[0::2] = raw[0::2]
        utf16[1::2] = raw[1::2].translate(high)
        return bytes(utf16).decode('utf-16-le').encode('utf-8')

    def strings():
        yield SST_HEAD.encode()
        for first in range(0, count - 1, 10000):
            n = min(10000, count - 1 - first)
            text = chinese(n)
            yield b''.join(b'<si><t>' + text[i * 156:(i + 1) * 156] + b'</t></si>' for i in range(n))
        yield b'<si><t>end</t></si>' + SST_TAIL.encode()

    def sheet():
        yield SHEET_HEAD.encode()
        yield ('<row r="1"><c r="A1"><v>1</v></c><c r="B1"><v>2</v></c><c r="C1"><v>3</v></c></row>'
               '<row r="2"><c r="A2"><v>1</v></c><c r="B2"><v>2</v></c><c r="C2"><v>3</v></c></row>').encode()
        rows = count // 3
        for start in range(0, rows, 10000):
            yield ''.join('<row r="%d"><c r="A%d" t="s"><v>%d</v></c><c r="B%d" t="s"><v>%d</v></c>'
                          '<c r="C%d" t="s"><v>%d</v></c></row>'
                          % (r + 3, r + 3, 3 * r + 2 if r == rows - 1 else 3 * r,
                             r + 3, 3 * r + 1, r + 3, 3 * r if r == rows - 1 else 3 * r + 2)
                          for r in range(start, min(rows, start + 10000))).encode()
        yield SHEET_TAIL.encode()

    package(out, sheet(), strings())


ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"')


def ods_repeat(out, size):
    """An OpenDocument sheet of 2 KB: a name row, then one row of 32 numbers repeated a
    million times."""
    del size
    mimetype = 'application/vnd.oasis.opendocument.spreadsheet'
    cell = ('<table:table-cell office:value-type="float" office:value="1" '
            'table:number-columns-repeated="32"><text:p>1</text:p></table:table-cell>')
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s office:version="1.3">'
               '<office:body><office:spreadsheet><table:table table:name="R">'
               '<table:table-row>%s</table:table-row>'
               '<table:table-row table:number-rows-repeated="1048575">%s</table:table-row>'
               '</table:table></office:spreadsheet></office:body></office:document-content>'
               % (ODS_NS, cell.replace('float" office:value="1"', 'string"'), cell))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>' % mimetype)
    with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo('mimetype'), mimetype, zipfile.ZIP_STORED)
        z.writestr('META-INF/manifest.xml', manifest)
        z.writestr('content.xml', content)


KINDS = {
    'shared-text-cells': shared_text_cells,
    'long-shared': long_shared,
    'deflate-bomb': deflate_bomb,
    'stored-strings': stored_strings,
    'folder-flood': folder_flood,
    'cell-overwrite': cell_overwrite,
    'distinct-strings': distinct_strings,
    'ods-repeat': ods_repeat,
}


def main(argv):
    if len(argv) < 4 or argv[1] not in KINDS:
        sys.stderr.write(__doc__)
        return 1
    kind, size, out = argv[1], int(argv[2]), argv[3]
    if os.path.lexists(out):
        os.remove(out)
    KINDS[kind](out, size)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
