#!/usr/bin/python3
"""Writes the .xlsx, .ods and delimited-text workbooks the format readers' tests use into
tests/fixtures/formats/.

Run with Debian's /usr/bin/python3 (python3-openpyxl). openpyxl writes the ordinary
workbooks; what it cannot write (cached formula results, inline and rich strings, part
names of our choosing, the strict namespaces, damaged or hostile packages) and every
OpenDocument file are written part by part with zipfile below.
"""
import datetime
import os
import struct
import zipfile

import openpyxl
from openpyxl.styles import NamedStyle  # noqa: F401  (openpyxl's number formats by name)

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'fixtures', 'formats')

MAIN = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
RELS = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
PKG_RELS = 'http://schemas.openxmlformats.org/package/2006/relationships'
STRICT_MAIN = 'http://purl.oclc.org/ooxml/spreadsheetml/main'
STRICT_RELS = 'http://purl.oclc.org/ooxml/officeDocument/relationships'


def path(name):
    return os.path.join(OUT, name)


def write_zip(name, parts):
    """parts: list of (part name, text or bytes); written deflated in that order."""
    with zipfile.ZipFile(path(name), 'w', zipfile.ZIP_DEFLATED) as z:
        for part, data in parts:
            if isinstance(data, str):
                data = data.encode('utf-8')
            # The OpenDocument mimetype is stored first and uncompressed.
            kind = zipfile.ZIP_STORED if part == 'mimetype' else zipfile.ZIP_DEFLATED
            z.writestr(zipfile.ZipInfo(part, (2024, 1, 1, 0, 0, 0)), data, kind)


# ---- Office Open XML through openpyxl ---------------------------------------------------

def xlsx_types():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = '数据'
    ws.append(['时间', '温度', '状态', '日期'])
    ws.append(['s', '℃', '', ''])
    ws['A3'] = 0.5
    ws['B3'] = 21.25
    ws['C3'] = True
    ws['D3'] = datetime.date(2024, 5, 1)
    ws['D3'].number_format = 'yyyy-mm-dd'
    ws['A4'] = 1e20
    ws['B4'] = -1.5e-7
    ws['C4'] = False
    ws['D4'] = datetime.datetime(2024, 5, 1, 13, 30, 0)
    ws['D4'].number_format = 'yyyy/m/d h:mm:ss'
    ws['A5'] = 12345
    ws['A5'].number_format = '0.00'           # a number format that is no date
    ws['B5'] = 45413
    ws['B5'].number_format = 'yyyy"年"m"月"d"日"'  # a custom date code
    ws['C5'] = datetime.time(6, 15, 0)
    ws['D5'] = 0.75
    ws['D5'].number_format = '[h]:mm'         # elapsed time
    ws['A6'] = 0.25
    ws['A6'].number_format = '0%'
    ws['B6'] = 3
    ws['B6'].number_format = '[Red]0'         # a colour is no date
    wb.create_sheet('second')['A1'] = 'not read'
    wb.save(path('types.xlsx'))


def xlsx_offset():
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = 'Offset'
    ws.cell(40, 3, 'name')
    ws.cell(40, 4, 'value')
    for i in range(1, 11):
        ws.cell(40 + i, 3, i)
        ws.cell(40 + i, 4, i * i)
    wb.save(path('offset_c40.xlsx'))


def xlsx_error_middle():
    wb = openpyxl.Workbook()
    ws = wb.active
    for r in range(5):
        for c in range(3):
            ws.cell(r + 1, c + 1, r * 10 + c)
    wb.save(path('error_middle.xlsx'))
    # openpyxl writes no error values: put #REF! into B3 by hand.
    patch_part('error_middle.xlsx', 'xl/worksheets/sheet1.xml',
               lambda xml: xml.replace('<c r="B3" t="n"><v>21</v></c>',
                                       '<c r="B3" t="e"><v>#REF!</v></c>'))


def patch_part(name, part, change):
    with zipfile.ZipFile(path(name)) as z:
        parts = [(i.filename, z.read(i.filename)) for i in z.infolist()]
    new = []
    for n, data in parts:
        if n == part:
            text = data.decode('utf-8')
            changed = change(text)
            assert changed != text, 'patch of %s did not apply' % part
            data = changed.encode('utf-8')
        new.append((n, data))
    write_zip(name, new)


# ---- Office Open XML written part by part -----------------------------------------------

def content_types(sheet_parts, extra=''):
    overrides = ''.join('<Override PartName="/%s" ContentType="application/vnd.openxmlformats-'
                        'officedocument.spreadsheetml.worksheet+xml"/>' % p for p in sheet_parts)
    return ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
            '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
            '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
            '<Default Extension="xml" ContentType="application/xml"/>%s%s</Types>' % (overrides, extra))


def rels(items, ns=RELS):
    body = ''.join('<Relationship Id="%s" Type="%s/%s" Target="%s"/>' % (i, ns, t, target)
                   for i, t, target in items)
    return '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="%s">%s</Relationships>' % (PKG_RELS, body)


def styles(num_fmts, xfs, main=MAIN):
    fmts = ''.join('<numFmt numFmtId="%d" formatCode="%s"/>' % f for f in num_fmts)
    cell_xfs = ''.join('<xf numFmtId="%d" fontId="0" fillId="0" borderId="0"/>' % x for x in xfs)
    # cellStyleXfs comes first and must not be taken for the cell formats.
    return ('<?xml version="1.0" encoding="UTF-8"?><styleSheet xmlns="%s">'
            '<numFmts count="%d">%s</numFmts>'
            '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs>'
            '<cellXfs count="%d">%s</cellXfs></styleSheet>' % (main, len(num_fmts), fmts, len(xfs), cell_xfs))


def xlsx_handmade():
    """Formulas of each result type, inline and rich strings, parts under names of our own,
    a chart sheet listed before the first worksheet, the 1904 date system."""
    sheet = ('<?xml version="1.0" encoding="UTF-8"?>'
             '<worksheet xmlns="%s" xmlns:r="%s"><dimension ref="A1:F3"/>'
             '<sheetViews><sheetView workbookViewId="0"><selection activeCell="A1"/></sheetView></sheetViews>'
             '<sheetData>'
             '<row r="1">'
             '<c r="A1"><f>1+1</f><v>2</v></c>'
             '<c r="B1" t="str"><f>"a"&amp;"b"</f><v>ab</v></c>'
             '<c r="C1" t="b"><f>TRUE()</f><v>1</v></c>'
             '<c r="D1" t="e"><f>1/0</f><v>#DIV/0!</v></c>'
             '<c r="E1"><f>A1*2</f></c>'
             '<c r="F1" t="inlineStr"><is><t>内联</t></is></c>'
             '</row>'
             '<row r="2">'
             '<c r="A2" t="s"><v>0</v></c>'
             '<c r="B2" t="s"><v>1</v></c>'
             '<c r="C2" s="1"><v>0</v></c>'
             '<c r="D2" s="2"><v>1.5</v></c>'
             '<c r="E2" t="inlineStr"><is><r><t>in</t></r><r><rPr><b/></rPr><t xml:space="preserve">line </t></r><r><t>runs</t></r></is></c>'
             '<c r="F2" t="s"><v>99</v></c>'
             '</row>'
             '<row>'  # rows and cells without a reference follow the previous ones
             '<c><v>7</v></c><c t="b"><v>0</v></c><c r="E3"><v>8</v></c><c><v>9</v></c>'
             '</row>'
             '</sheetData><mergeCells count="1"><mergeCell ref="A5:B5"/></mergeCells></worksheet>'
             % (MAIN, RELS))
    strings = ('<?xml version="1.0" encoding="UTF-8"?><sst xmlns="%s" count="2" uniqueCount="2">'
               '<si><t>共享</t></si>'
               '<si><r><t>rich </t></r><r><rPr><i/></rPr><t>text</t></r><rPh sb="0" eb="1"><t>ルビ</t></rPh></si>'
               '</sst>' % MAIN)
    chart = '<?xml version="1.0" encoding="UTF-8"?><chartsheet xmlns="%s"/>' % MAIN
    book = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s">'
            '<workbookPr date1904="1"/><sheets>'
            '<sheet name="Chart1" sheetId="2" r:id="rId9"/>'
            '<sheet name="第一" sheetId="1" r:id="rId7"/>'
            '<sheet name="later" sheetId="3" r:id="rId8"/>'
            '</sheets></workbook>' % (MAIN, RELS))
    later = ('<?xml version="1.0"?><worksheet xmlns="%s"><sheetData><row r="1"><c r="A1"><v>1</v></c>'
             '</row></sheetData></worksheet>' % MAIN)
    write_zip('handmade.xlsx', [
        ('[Content_Types].xml', content_types(['book/s/first.xml', 'book/s/later.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'book/main.xml')])),
        ('book/main.xml', book),
        ('book/_rels/main.xml.rels', rels([
            ('rId7', 'worksheet', 's/first.xml'),
            ('rId8', 'worksheet', '/book/s/later.xml'),
            ('rId9', 'chartsheet', 'charts/c1.xml'),
            ('rId3', 'sharedStrings', 'text/strings.xml'),
            ('rId4', 'styles', '../book/look.xml')])),
        ('book/s/first.xml', sheet),
        ('book/s/later.xml', later),
        ('book/charts/c1.xml', chart),
        ('book/text/strings.xml', strings),
        ('book/look.xml', styles([(164, 'd/m/yyyy')], [0, 164, 0])),
    ])


def xlsx_strict():
    """The strict namespaces, a date cell written as ISO text, lower-case part names."""
    sheet = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><dimension ref="B2:C4"/>'
             '<sheetData><row r="2"><c r="B2" t="s"><v>0</v></c><c r="C2"><v>2.5</v></c></row>'
             '<row r="3"><c r="B3" t="d"><v>2024-05-01T12:00:00</v></c><c r="C3" s="1"><v>45413</v></c></row>'
             '</sheetData></worksheet>' % STRICT_MAIN)
    book = ('<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="%s" xmlns:r="%s">'
            '<sheets><sheet name="Strict" sheetId="1" r:id="rId1"/></sheets></workbook>'
            % (STRICT_MAIN, STRICT_RELS))
    write_zip('strict.xlsx', [
        ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')], STRICT_RELS)),
        ('xl/workbook.xml', book),
        ('xl/_rels/workbook.xml.rels', rels([
            ('rId1', 'worksheet', 'worksheets/sheet1.xml'),
            ('rId2', 'sharedStrings', 'sharedStrings.xml'),
            ('rId3', 'styles', 'styles.xml')], STRICT_RELS)),
        ('xl/worksheets/sheet1.xml', sheet),
        ('xl/sharedStrings.xml', '<sst xmlns="%s"><si><t>严格</t></si></sst>' % STRICT_MAIN),
        ('xl/styles.xml', styles([], [0, 14], STRICT_MAIN)),
    ])


def minimal_xlsx(name, sheet_xml, dimension=''):
    book = ('<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
            '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, RELS))
    write_zip(name, [
        ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')])),
        ('xl/workbook.xml', book),
        ('xl/_rels/workbook.xml.rels', rels([('rId1', 'worksheet', 'worksheets/sheet1.xml')])),
        ('xl/worksheets/sheet1.xml', sheet_xml),
    ])


def xlsx_unusual():
    """Markup most writers never use: prefixed elements, a comment, character references,
    CDATA (which the byte scanner leaves to the XML reader)."""
    sheet = ('<?xml version="1.0" encoding="UTF-8"?><x:worksheet xmlns:x="%s"><x:sheetData>'
             '<x:row r="1"><!-- a comment --><x:c r="A1" t="inlineStr"><x:is><x:t>a&amp;b &#x4E2D;&#25991;</x:t>'
             '</x:is></x:c><x:c r="B1"><x:v> 2.5 </x:v></x:c></x:row>'
             '<x:row r="2"><x:c r="A2" t="str"><x:v><![CDATA[<raw>]]></x:v></x:c></x:row>'
             '</x:sheetData></x:worksheet>' % MAIN)
    minimal_xlsx('unusual.xlsx', sheet)


def xlsx_hostile():
    cells = '<sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData>'
    # Entity expansion ("billion laughs"): refused before anything expands.
    lol = ''.join('<!ENTITY l%d "&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;&l%d;">'
                  % ((i,) + (i - 1,) * 10) for i in range(1, 10))
    minimal_xlsx('entities.xlsx', '<?xml version="1.0"?><!DOCTYPE worksheet [<!ENTITY l0 "lol">%s]>'
                 '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&l9;</t>'
                 '</is></c></row></sheetData></worksheet>' % (lol, MAIN))
    minimal_xlsx('malformed.xlsx', '<?xml version="1.0"?><worksheet xmlns="%s"><sheetData>'
                 '<row r="1"><c r="A1"><v>1</v></row></sheetData></worksheet>' % MAIN)
    # A sheet part that claims to decompress to 3 GiB.
    minimal_xlsx('bomb.xlsx', '<?xml version="1.0"?><worksheet xmlns="%s">%s</worksheet>' % (MAIN, cells))
    patch_sizes('bomb.xlsx', 'xl/worksheets/sheet1.xml', 3 << 30)
    # Traditional zip encryption, flagged in the headers.
    minimal_xlsx('zipcrypto.xlsx', '<?xml version="1.0"?><worksheet xmlns="%s">%s</worksheet>' % (MAIN, cells))
    set_encrypted_flag('zipcrypto.xlsx')
    # A word-processing package is no workbook.
    write_zip('document.docx', [
        ('[Content_Types].xml', content_types([])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'word/document.xml')])),
        ('word/document.xml', '<?xml version="1.0"?><w:document xmlns:w="urn:w"/>'),
    ])
    # The binary variant: the same package, binary parts.
    write_zip('binary.xlsb', [
        ('[Content_Types].xml', content_types([])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.bin')])),
        ('xl/workbook.bin', b'\x83\x01\x00\x00'),
    ])
    # A workbook whose only sheet is a chart.
    write_zip('chartonly.xlsx', [
        ('[Content_Types].xml', content_types([])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')])),
        ('xl/workbook.xml', '<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
                            '<sheet name="C" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, RELS)),
        ('xl/_rels/workbook.xml.rels', rels([('rId1', 'chartsheet', 'chartsheets/sheet1.xml')])),
        ('xl/chartsheets/sheet1.xml', '<chartsheet xmlns="%s"/>' % MAIN),
    ])


def xlsx_fidelity():
    """What other writers put in a package: Excel 2010's own workbookPr in extLst beside a
    1904 workbook, _xHHHH_ escapes, a t="d" time of day, Office 2007 beta's string items,
    relationships with faults in their syntax, a sheet part deflated 1000 to 1."""
    x14 = 'http://schemas.microsoft.com/office/spreadsheetml/2009/9/main'
    book = ('<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><workbookPr date1904="1"/>'
            '<sheets><sheet name="F" sheetId="1" r:id="rId1"/></sheets><extLst><ext uri="{x}">'
            '<x14:workbookPr xmlns:x14="%s" defaultImageDpi="96"/></ext></extLst></workbook>' % (MAIN, RELS, x14))
    # A text long enough to reach the scanner in pieces: references, CR LF, UTF-8 of 2 to 4
    # bytes and escapes at every offset of a small window.
    piece = 'a&amp;b\r\n\u00e9\u4e2d\U0001f600_x0041_;&#x5b57;'
    strings = ('<?xml version="1.0"?><sst xmlns="%s"><si><t>a_x000D_\nb</t></si><si><t>_x005F_x000D_</t></si>'
               '<si><r><t>_x00e9_</t></r><r><t>_x00E9_ _x12_</t></r></si><si><t>%s</t></si>'
               '<si><t>lone _xD800_ half</t></si></sst>'
               % (MAIN, piece * 50))
    sheet = ('<?xml version="1.0"?><worksheet xmlns="%s"><sheetData><row r="1">'
             '<c r="A1" s="1"><v>0</v></c><c r="B1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c>'
             '<c r="D1" t="s"><v>2</v></c><c r="E1" t="str"><f>"x"</f><v>x_x0009_y</v></c>'
             '<c r="F1" t="inlineStr"><is><t>in_x000A_line</t></is></c><c r="G1" t="s"><v>3</v></c>'
             '<c r="H1" t="s"><v>4</v></c></row>'
             '<row r="2"><c r="A2" s="1" t="d"><v>13:02:00.00000000003474825</v></c>'
             '<c r="B2" t="d"><v>06:15:30</v></c><c r="C2" t="d"><v>not a time</v></c></row>'
             '</sheetData></worksheet>' % MAIN)
    write_zip('fidelity.xlsx', [
        ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')])),
        ('xl/workbook.xml', book),
        ('xl/_rels/workbook.xml.rels', rels([('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                             ('rId2', 'sharedStrings', 'sharedStrings.xml'),
                                             ('rId3', 'styles', 'styles.xml')])),
        ('xl/worksheets/sheet1.xml', sheet),
        ('xl/sharedStrings.xml', strings),
        ('xl/styles.xml', styles([], [0, 14])),
    ])
    beta = 'http://schemas.microsoft.com/office/excel/2006/2'
    write_zip('beta.xlsx', [
        ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')])),
        ('xl/workbook.xml', '<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
                            '<sheet name="B" sheetId="1" r:id="rId1"/></sheets></workbook>' % (beta, RELS)),
        ('xl/_rels/workbook.xml.rels', rels([('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                             ('rId2', 'sharedStrings', 'sharedStrings.xml')])),
        ('xl/worksheets/sheet1.xml', '<?xml version="1.0"?><worksheet xmlns="%s"><sheetData><row r="1">'
                                     '<c r="A1" t="s"><v>1</v></c></row></sheetData></worksheet>' % beta),
        ('xl/sharedStrings.xml', '<?xml version="1.0"?><sst xmlns="%s"><sstItem><t>a</t></sstItem>'
                                 '<sstItem><t>测试版</t></sstItem></sst>' % beta),
    ])
    one = '<?xml version="1.0"?><worksheet xmlns="%s"><sheetData><row r="1"><c r="A1"><v>%d</v></c></row></sheetData></worksheet>'
    # An unescaped "&" in a link before the sheet's relationship; a relationship without an Id.
    lenient = ('<?xml version="1.0"?><Relationships xmlns="%s"><Relationship Id="rId9" TargetMode="external" '
               'Type="%s/hyperlink" Target="http://a.example/?x=1&y=2"/><Relationship Type="%s/styles" '
               'Target="styles.xml"/><Relationship Id="rId1" Type="%s/worksheet" Target="worksheets/sheet1.xml"/>'
               '</Relationships>' % (PKG_RELS, RELS, RELS, RELS))
    for name, root_rels, book_rels, value in (
            ('lenientrels.xlsx', rels([('rId1', 'officeDocument', 'xl/workbook.xml')]), lenient, 41),
            ('brokenrels.xlsx', '<?xml version="1.0"?>\nCORRUPTED',
             rels([('rId1', 'worksheet', 'worksheets/sheet1.xml')]), 42)):
        extra = ('<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-'
                 'officedocument.spreadsheetml.sheet.main+xml"/>')
        write_zip(name, [
            ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'], extra)),
            ('_rels/.rels', root_rels),
            ('xl/workbook.xml', '<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="R" '
                                'sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, RELS)),
            ('xl/_rels/workbook.xml.rels', book_rels),
            ('xl/worksheets/sheet1.xml', one % (MAIN, value)),
            ('xl/styles.xml', styles([], [0])),
        ])
    # 20 MB of blanks inside the sheet part.
    minimal_xlsx('ratio.xlsx', '<?xml version="1.0"?><worksheet xmlns="%s">%s<sheetData/></worksheet>'
                 % (MAIN, ' ' * (20 << 20)))


def zip_records(data):
    """Offsets of the local and central headers of every entry."""
    local, central = [], []
    at = 0
    while True:
        at = data.find(b'PK', at)
        if at < 0:
            return local, central
        sig = data[at:at + 4]
        if sig == b'PK\x03\x04':
            local.append(at)
        elif sig == b'PK\x01\x02':
            central.append(at)
        at += 2


def rewrite(name, change):
    with open(path(name), 'rb') as f:
        data = bytearray(f.read())
    change(data)
    with open(path(name), 'wb') as f:
        f.write(data)


def patch_sizes(name, part, size):
    def change(data):
        local, central = zip_records(bytes(data))
        for at in local:
            n = struct.unpack_from('<H', data, at + 26)[0]
            if data[at + 30:at + 30 + n].decode() == part:
                struct.pack_into('<I', data, at + 22, size & 0xFFFFFFFF)
        for at in central:
            n = struct.unpack_from('<H', data, at + 28)[0]
            if data[at + 46:at + 46 + n].decode() == part:
                struct.pack_into('<I', data, at + 24, size & 0xFFFFFFFF)
    rewrite(name, change)


def set_encrypted_flag(name):
    def change(data):
        local, central = zip_records(bytes(data))
        for at in local:
            data[at + 6] |= 1
        for at in central:
            data[at + 8] |= 1
    rewrite(name, change)


# ---- OpenDocument -------------------------------------------------------------------------

ODS_NS = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
          'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
          'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0"')


def ods(name, tables, mimetype='application/vnd.oasis.opendocument.spreadsheet'):
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content %s office:version="1.3">'
               '<office:body><office:spreadsheet>%s</office:spreadsheet></office:body>'
               '</office:document-content>' % (ODS_NS, tables))
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                '</manifest:manifest>' % mimetype)
    write_zip(name, [('mimetype', mimetype), ('META-INF/manifest.xml', manifest), ('content.xml', content)])


def cell(value_type, value=None, text=None, extra=''):
    attrs = ' office:value-type="%s" calcext:value-type="%s"' % (value_type, value_type)
    if value is not None:
        key = {'date': 'date-value', 'time': 'time-value', 'boolean': 'boolean-value'}.get(value_type, 'value')
        attrs += ' office:%s="%s"' % (key, value)
    body = '<text:p>%s</text:p>' % (text if text is not None else value)
    return '<table:table-cell%s%s>%s</table:table-cell>' % (attrs, extra, body)


def ods_types():
    rows = [
        # name and unit rows, Chinese
        '<table:table-row>%s%s%s</table:table-row>' % (cell('string', text='名称'), cell('string', text='数值'),
                                                      cell('string', text='时间')),
        '<table:table-row>' + cell('float', '0.5') + cell('percentage', '0.25', '25%')
        + cell('currency', '12.5', '¥12.50', ' office:currency="CNY"') + cell('boolean', 'true', 'TRUE')
        + '</table:table-row>',
        '<table:table-row>' + cell('date', '2024-05-01', '2024-05-01') + cell('date', '2024-05-01T13:30:00')
        + cell('time', 'PT06H15M00S', '06:15') + cell('time', 'PT36H00M00S', '36:00') + '</table:table-row>',
        # two paragraphs, spaces, a span, a note that is not the cell's text, a covered cell
        '<table:table-row><table:table-cell office:value-type="string" table:number-columns-spanned="2">'
        '<office:annotation><text:p>note</text:p></office:annotation>'
        '<text:p>a<text:s text:c="3"/>b</text:p><text:p><text:span>中文</text:span></text:p>'
        '</table:table-cell><table:covered-table-cell/>'
        '<table:table-cell office:value-type="string" office:string-value="value attr"><text:p>shown</text:p>'
        '</table:table-cell>'
        '<table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0" '
        'calcext:value-type="error"><text:p>#DIV/0!</text:p></table:table-cell></table:table-row>',
        # repeated columns with a value, an empty run of columns, a cell far right
        '<table:table-row><table:table-cell table:number-columns-repeated="3" office:value-type="float" '
        'office:value="7"><text:p>7</text:p></table:table-cell><table:table-cell table:number-columns-repeated="2"/>'
        + cell('float', '9') + '<table:table-cell table:number-columns-repeated="16000"/></table:table-row>',
        # a row with a value repeated three times, inside a row group
        '<table:table-row-group><table:table-row table:number-rows-repeated="3">' + cell('float', '1.25')
        + '</table:table-row></table:table-row-group>',
        # empty rows, then one more value, then the million empty rows a sheet ends with
        '<table:table-row table:number-rows-repeated="2"><table:table-cell/></table:table-row>',
        '<table:table-row>' + cell('float', '42') + '</table:table-row>',
        '<table:table-row table:number-rows-repeated="1048560"><table:table-cell '
        'table:number-columns-repeated="16384"/></table:table-row>',
    ]
    table = ('<table:table table:name="测量"><table:table-column table:number-columns-repeated="16384"/>%s'
             '</table:table><table:table table:name="second"><table:table-row>%s</table:table-row>'
             '</table:table>' % (''.join(rows), cell('string', text='not read')))
    ods('types.ods', table)


def ods_huge_repeat():
    """One filled row, its second cell repeated a thousand times, repeated a million times:
    more copies than a read makes (refused), and the same repeated 65,536 times: only the
    columns a read can reach are made."""
    for name, rows in (('repeat_million.ods', 1000000), ('repeat_rows.ods', 65536)):
        table = ('<table:table table:name="R"><table:table-row table:number-rows-repeated="%d">'
                 '%s%s</table:table-row></table:table>'
                 % (rows, cell('float', '1'), cell('float', '2', extra=' table:number-columns-repeated="1000"')))
        ods(name, table)


def ods_offset():
    rows = '<table:table-row table:number-rows-repeated="39"><table:table-cell/></table:table-row>'
    rows += ('<table:table-row><table:table-cell table:number-columns-repeated="2"/>%s%s</table:table-row>'
             % (cell('string', text='name'), cell('string', text='value')))
    for i in range(1, 11):
        rows += ('<table:table-row><table:table-cell table:number-columns-repeated="2"/>%s%s</table:table-row>'
                 % (cell('float', str(i)), cell('float', str(i * i))))
    ods('offset_c40.ods', '<table:table table:name="Offset">%s</table:table>' % rows)


def ods_encrypted():
    """A password-protected spreadsheet: the manifest says how content.xml is encrypted."""
    mimetype = 'application/vnd.oasis.opendocument.spreadsheet'
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest '
                'xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="%s"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml" '
                'manifest:size="1200"><manifest:encryption-data manifest:checksum-type="SHA1/1K" '
                'manifest:checksum="AAAA"><manifest:algorithm manifest:algorithm-name="Blowfish CFB" '
                'manifest:initialisation-vector="AAAA"/></manifest:encryption-data></manifest:file-entry>'
                '</manifest:manifest>' % mimetype)
    write_zip('encrypted.ods', [('mimetype', mimetype), ('META-INF/manifest.xml', manifest),
                                ('content.xml', bytes((i * 73 + 11) % 256 for i in range(1200)))])


def ods_text_document():
    ods('notes.odt', '', mimetype='application/vnd.oasis.opendocument.text')


# ---- delimited text -------------------------------------------------------------------------

def write_text(name, data):
    with open(path(name), 'wb') as f:
        f.write(data)


def delimited():
    write_text('utf8.csv', '名称,温度,备注\r\n单位,℃,\r\n1,21.5,正常\r\n2, 1e3 ,+3\r\n3,-0.5,inf\r\n4,,0x10\r\n'.encode('utf-8'))
    write_text('bom.csv', '\ufeffa,b\n1.5,x\n'.encode('utf-8'))
    write_text('gbk.csv', '时间,电压\r\n秒,伏\r\n0,3.3\r\n1,3.4\r\n'.encode('gbk'))
    write_text('semicolon.csv', ('name;"note; with separator";value\n'
                                 'a;"say ""hi""";1,5\n'
                                 'b;"two\nlines";"2.5"\n'
                                 'c;;3\n').encode('utf-8'))
    write_text('tabs.txt', 'x\ty\n1\t2\n3\t4\n'.encode('utf-8'))
    # What a logger writes under a spreadsheet's name.
    write_text('logger.xls', 'time,value\n0,1.5\n1,2.5\n'.encode('utf-8'))
    write_text('utf16.txt', '\ufeffx\ty\n1\t2\n'.encode('utf-16-le'))


# ---- timestamps ---------------------------------------------------------------------------

def timestamps_csv():
    """A logger's three hours: timestamps to the millisecond, every five minutes."""
    import math
    start = datetime.datetime(2026, 12, 8, 10, 0, 0)
    lines = ['时间,压力,温度', '时:分:秒,kPa,℃']
    for i in range(37):
        t = start + datetime.timedelta(minutes=5 * i, milliseconds=125 * (i % 3))
        stamp = t.strftime('%Y-%m-%d %H:%M:%S.') + '%03d' % (t.microsecond // 1000)
        lines.append('%s,%.2f,%.1f' % (stamp, 100 + 20 * math.sin(i / 6), 20 + i * 0.25))
    write_text('timestamps.csv', ('\n'.join(lines) + '\n').encode('utf-8'))


def xlsx_dates():
    """Real date cells: date and time every six hours over two days (midnights read as dates
    alone), times of day that pass midnight, and a reading column with one text in it."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.append(['时间', '压力', '时刻', '温度'])
    ws.append(['日期', 'kPa', '时:分:秒', '℃'])
    start = datetime.datetime(2026, 12, 8, 6, 0, 0)
    for i in range(9):
        t = start + datetime.timedelta(hours=6 * i)
        ws.append([t, 100 + i, t.time(), '断线' if i == 4 else 20 + i])
        row = ws.max_row
        ws.cell(row, 1).number_format = 'yyyy-mm-dd hh:mm:ss'
        ws.cell(row, 3).number_format = 'hh:mm:ss'
    wb.save(path('dates.xlsx'))


def xlsx_datecells():
    """Date cells that must read as they hold: 100 stamps a millisecond apart, whole seconds
    beside them, serials at the calendar's last day and durations in ISO date cells."""
    def inline(ref, text):
        return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, text)
    rows = ['<row r="1">%s%s%s</row>' % (inline('A1', '时间'), inline('B1', '时长'), inline('C1', '末日')),
            '<row r="2">%s%s%s</row>' % (inline('A2', '日期'), inline('B2', '时:分:秒'), inline('C2', '日期'))]
    start = 46364 + 10 / 24  # 2026-12-08 10:00
    last = ['2958465.5', '2958465.99999', '2958465.999999999', '2958465.99999999']
    durations = ['PT0H11M0.000S', 'PT1H30M15S', 'PT0.5S']
    for i in range(100):
        r = i + 3
        cells = '<c r="A%d" s="1"><v>%r</v></c>' % (r, start + i / 86400000)
        if i < len(durations):
            cells += '<c r="B%d" t="d"><v>%s</v></c>' % (r, durations[i])
        if i < len(last):
            cells += '<c r="C%d" s="1"><v>%s</v></c>' % (r, last[i])
        rows.append('<row r="%d">%s</row>' % (r, cells))
    # Whole seconds after the milliseconds read as they always have.
    rows.append('<row r="103"><c r="A103" s="1"><v>%r</v></c></row>' % (start + 1 / 86400))
    sheet = ('<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>'
             % (MAIN, ''.join(rows)))
    book = ('<?xml version="1.0"?><workbook xmlns="%s" xmlns:r="%s"><sheets>'
            '<sheet name="S" sheetId="1" r:id="rId1"/></sheets></workbook>' % (MAIN, RELS))
    write_zip('datecells.xlsx', [
        ('[Content_Types].xml', content_types(['xl/worksheets/sheet1.xml'])),
        ('_rels/.rels', rels([('rId1', 'officeDocument', 'xl/workbook.xml')])),
        ('xl/workbook.xml', book),
        ('xl/_rels/workbook.xml.rels', rels([('rId1', 'worksheet', 'worksheets/sheet1.xml'),
                                             ('rId2', 'styles', 'styles.xml')])),
        ('xl/worksheets/sheet1.xml', sheet),
        ('xl/styles.xml', styles([(164, 'yyyy-mm-dd hh:mm:ss.000')], [0, 164])),
    ])


def ods_datecells():
    """Date values with zones, days no month has, years of five digits and milliseconds:
    each cell stays in its column, and a value that is no date keeps its text."""
    def row(*cells):
        return '<table:table-row>%s</table:table-row>' % ''.join(cells)
    text = lambda t: cell('string', text=t)
    rows = [row(text('A'), text('B'), text('C')),
            row(text('日期'), text('日期'), text('日期')),
            row(cell('date', '2026-12-08T10:00:00+08:00', '2026-12-08 10:00'), cell('date', '2026-02-30', '2026-02-30'),
                text('after')),
            row(cell('date', '2026-12-08T10:00:00Z', '2026-12-08 10:00'), cell('date', '12026-01-01', '12026-01-01'),
                text('after')),
            row(cell('date', '2026-12-08T10:00:00.125-05:30', '2026-12-08 10:00'),
                cell('date', '2024-02-29', '2024-02-29'), text('after')),
            row(cell('date', '2026-12-08T10:00:00.125', '2026-12-08 10:00'), cell('date', '2025-02-29', ''),
                text('after')),
            row(cell('date', '2026-12-08T10:00:00+25:00', '2026-12-08 10:00'), cell('time', 'PT1H', '01:00'),
                text('after'))]
    ods('datecells.ods', '<table:table table:name="S">%s</table:table>' % ''.join(rows))


def main():
    os.makedirs(OUT, exist_ok=True)
    xlsx_types()
    xlsx_offset()
    xlsx_error_middle()
    xlsx_handmade()
    xlsx_strict()
    xlsx_unusual()
    xlsx_hostile()
    ods_types()
    ods_huge_repeat()
    ods_offset()
    ods_text_document()
    ods_encrypted()
    xlsx_fidelity()
    delimited()
    timestamps_csv()
    xlsx_dates()
    xlsx_datecells()
    ods_datecells()


if __name__ == '__main__':
    main()
