#!/usr/bin/python3
"""Writes the small workbooks the reader's tests use into tests/fixtures/.

Run with Debian's /usr/bin/python3 (python3-xlwt). Most files come from xlwt; records xlwt
cannot write (BIFF5 byte strings in a code page, formula results, BIFF2, FILEPASS, strings
split across CONTINUE records in chosen ways) are written byte by byte below, and wrapped
in a minimal OLE2 container.
"""
import datetime
import os
import struct
import sys

import xlwt

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'fixtures')


def save(book, name):
    book.save(os.path.join(OUT, name))


def write_bytes(name, data):
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)


# ---- workbooks written with xlwt -------------------------------------------------------

def numbers():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Numbers')
    values = [1, 0.1 + 0.2, 1e20, 1e-7, -0.0, 123456789012345, -42, 2 ** 29, 3.25, -1.5e-300]
    for i, v in enumerate(values):
        ws.write(i, 0, v)
    save(wb, 'numbers.xls')


def text():
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('文字')
    rows = ['中文测试', 'Привет, мир', 'Ελληνικά', '日本語テキスト', 'plain ASCII', 'Café ü', '']
    for i, t in enumerate(rows):
        ws.write(i, 0, t)
    ws.write(0, 1, '温度')
    ws.write(1, 1, '℃')
    save(wb, 'text.xls')


def long_text():
    # More than 8224 bytes of strings: the string table spills into CONTINUE records, one
    # string crosses a record boundary in uncompressed (UTF-16) form.
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('Long')
    for i in range(300):
        ws.write(i, 0, 'row %03d %s' % (i, 'x' * 20))
    ws.write(0, 1, '长' * 6000)
    ws.write(1, 1, 'end of table')
    save(wb, 'longtext.xls')


def bools_errors():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Flags')
    ws.write(0, 0, True)
    ws.write(1, 0, False)
    ws.row(2).set_cell_error(0, 0x07)  # codes, not names: xlwt maps some names wrongly
    ws.row(3).set_cell_error(0, 0x2A)
    ws.row(4).set_cell_error(0, 0x0F)
    ws.write(5, 0, 1)  # the number 1, not a boolean
    save(wb, 'bools_errors.xls')


def dates(name, date1904):
    wb = xlwt.Workbook()
    wb.dates_1904 = date1904
    ws = wb.add_sheet('Dates')
    styles = {
        'date': xlwt.easyxf(num_format_str='yyyy/m/d'),
        'datetime': xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm:ss'),
        'time': xlwt.easyxf(num_format_str='h:mm:ss'),
        'elapsed': xlwt.easyxf(num_format_str='[h]:mm'),
        'red': xlwt.easyxf(num_format_str='[Red]0.00'),
        'quoted': xlwt.easyxf(num_format_str='0.0 "days"'),
        'escaped': xlwt.easyxf(num_format_str='0\\h'),
    }
    ws.write(0, 0, datetime.date(2024, 3, 15), styles['date'])
    ws.write(1, 0, datetime.datetime(2000, 1, 1, 12, 30, 0), styles['datetime'])
    ws.write(2, 0, datetime.time(18, 0, 0), styles['time'])
    ws.write(3, 0, 1.5, styles['elapsed'])
    ws.write(4, 0, 45000.5, styles['red'])
    ws.write(5, 0, 2.5, styles['quoted'])
    ws.write(6, 0, 7, styles['escaped'])
    ws.write(7, 0, 45000)
    save(wb, name)


def offset_c40():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Offset')
    ws.write(39, 2, 'name')
    ws.write(39, 3, 'value')
    for i in range(1, 11):
        ws.write(39 + i, 2, i)
        ws.write(39 + i, 3, i * i)
    save(wb, 'offset_c40.xls')


def wide40():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Wide')
    for c in range(40):
        ws.write(0, c, 'c%d' % (c + 1))
        ws.write(1, c, c + 1)
    save(wb, 'wide40.xls')


def long_table():
    # 1,500 readings with one spike and one dip between the rows a thinned chart keeps
    # anyway, for the charts of tables longer than a chart holds.
    import math
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('Long')
    for c, (name, unit) in enumerate([('time', 's'), ('pressure', 'MPa'), ('flow', 'L/min')]):
        ws.write(0, c, name)
        ws.write(1, c, unit)
    for r in range(1500):
        pressure = round(10 + math.sin(r / 50.0), 4)
        if r == 1234:
            pressure = 25.0
        flow = round(5 + (r % 17) * 0.01, 4)
        if r == 777:
            flow = -3.0
        ws.write(r + 2, 0, round(r * 0.1, 1))
        ws.write(r + 2, 1, pressure)
        ws.write(r + 2, 2, flow)
    save(wb, 'long1500.xls')


def gap_row():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Gap')
    for c, v in enumerate(['x', 'y', 'z']):
        ws.write(0, c, v)
    ws.write(1, 0, 1)
    ws.write(1, 2, 3)  # column B left empty
    ws.write(2, 0, 4)
    ws.write(2, 1, 5)
    ws.write(2, 2, 6)
    save(wb, 'gaprow.xls')


def error_middle():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Err')
    for r in range(5):
        for c in range(3):
            if (r, c) != (2, 1):
                ws.write(r, c, r * 10 + c)
    ws.row(2).set_cell_error(1, 0x17)
    save(wb, 'error_middle.xls')


def empty():
    wb = xlwt.Workbook()
    wb.add_sheet('Empty')
    ws = wb.add_sheet('Second')
    ws.write(0, 0, 'not the first sheet')
    save(wb, 'empty.xls')


def one_column():
    wb = xlwt.Workbook()
    ws = wb.add_sheet('One')
    for r in range(6):
        ws.write(r, 0, r + 0.5)
    save(wb, 'onecol.xls')


# ---- hand-made BIFF streams ---------------------------------------------------------------

def rec(rid, payload=b''):
    return struct.pack('<HH', rid, len(payload)) + payload


def u16str8(text):
    """BIFF8 string with a 16-bit count, compressed when every character fits in a byte."""
    try:
        raw = text.encode('latin-1')
        return struct.pack('<HB', len(text), 0) + raw
    except UnicodeEncodeError:
        return struct.pack('<HB', len(text), 1) + text.encode('utf-16-le')


def short_str8(text):
    try:
        return struct.pack('<BB', len(text), 0) + text.encode('latin-1')
    except UnicodeEncodeError:
        return struct.pack('<BB', len(text), 1) + text.encode('utf-16-le')


def cell_hdr(row, col, xf):
    return struct.pack('<HHH', row, col, xf)


def formula(row, col, xf, result):
    # cached result, flags, chn, then a one-token formula (ptgInt 1)
    return rec(0x0006, cell_hdr(row, col, xf) + result + struct.pack('<HI', 0, 0)
               + struct.pack('<H', 3) + b'\x1e\x01\x00')


def result_num(v):
    return struct.pack('<d', v)


def result_special(kind, value=0):
    return bytes([kind, 0, value, 0, 0, 0, 0xFF, 0xFF])


def xf_records(biff8, formats):
    """15 style XFs and one cell XF per format id (cell XF n = 15 + index)."""
    out = b''
    for i in range(15 + len(formats)):
        fmt = 0 if i < 15 else formats[i - 15]
        flags = 0xFFF5 if i < 15 else 0x0001
        if biff8:
            out += rec(0x00E0, struct.pack('<HHH', 0, fmt, flags) + bytes(14))
        else:
            out += rec(0x00E0, struct.pack('<HHH', 0, fmt, flags) + bytes(10))
    return out


def assemble(globals_records, sheets, boundsheet):
    """globals + sheet substreams; BOUNDSHEET positions are filled in here."""
    sizes = [len(boundsheet(0, name, kind)) for name, kind, _ in sheets]
    glob_len = len(globals_records) + sum(sizes) + 4  # + EOF
    pos = glob_len
    bs = b''
    for name, kind, body in sheets:
        bs += boundsheet(pos, name, kind)
        pos += len(body)
    return globals_records + bs + rec(0x000A) + b''.join(body for _, _, body in sheets)


def ole2(stream_name, data):
    """A minimal compound file: one FAT sector, one directory sector, the stream in
    regular sectors (padded to 4096 bytes so no mini stream is needed)."""
    if len(data) < 4096:
        data = data + bytes(4096 - len(data))
    nsec = (len(data) + 511) // 512
    assert nsec + 2 <= 128
    data = data + bytes(nsec * 512 - len(data))
    fat = [0xFFFFFFFD, 0xFFFFFFFE] + [3 + i for i in range(nsec - 1)] + [0xFFFFFFFE]
    fat += [0xFFFFFFFF] * (128 - len(fat))
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(16)
              + struct.pack('<HHHHH', 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
              + struct.pack('<IIIIIIIII', 0, 1, 1, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
              + struct.pack('<I', 0) + struct.pack('<I', 0xFFFFFFFF) * 108)
    assert len(header) == 512

    def dirent(name, kind, child, start, size):
        n = name.encode('utf-16-le') + b'\0\0'
        return (n + bytes(64 - len(n)) + struct.pack('<HBB', len(n), kind, 1)
                + struct.pack('<III', 0xFFFFFFFF, 0xFFFFFFFF, child) + bytes(16 + 4 + 16)
                + struct.pack('<III', start, size, 0))

    directory = (dirent('Root Entry', 5, 1, 0xFFFFFFFE, 0)
                 + dirent(stream_name, 2, 0xFFFFFFFF, 2, len(data))
                 + (bytes(64) + struct.pack('<HBB', 0, 0, 0)
                    + struct.pack('<III', 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF) + bytes(48)) * 2)
    assert len(directory) == 512
    return header + struct.pack('<128I', *fat) + directory + data


def biff5_gbk():
    """BIFF5 "Book" stream, code page 936: GBK byte strings, a chart sheet listed before
    the first worksheet, formula results, RK/MULRK and a BIFF5 1904 date."""
    def gbk(t):
        return t.encode('gbk')

    glob = rec(0x0809, struct.pack('<HHHH', 0x0500, 0x0005, 0x096C, 0x07C9))
    glob += rec(0x0042, struct.pack('<H', 936))
    glob += rec(0x0022, struct.pack('<H', 1))  # 1904 dates
    glob += rec(0x041E, struct.pack('<H', 164) + bytes([len(b'yyyy"\xc4\xea"m"\xd4\xc2"')]) + b'yyyy"\xc4\xea"m"\xd4\xc2"')
    glob += xf_records(False, [0, 164, 14])  # xf 15 general, 16 custom date, 17 built-in date

    def bs5(pos, name, kind):
        n = gbk(name)
        return rec(0x0085, struct.pack('<IBB', pos, 0, kind) + bytes([len(n)]) + n)

    chart = rec(0x0809, struct.pack('<HHHH', 0x0500, 0x0020, 0, 0)) + rec(0x000A)

    def label(r, c, t):
        b = gbk(t)
        return rec(0x0204, cell_hdr(r, c, 15) + struct.pack('<H', len(b)) + b)

    sheet = rec(0x0809, struct.pack('<HHHH', 0x0500, 0x0010, 0, 0))
    sheet += rec(0x0200, struct.pack('<HHHHH', 0, 6, 0, 4, 0))
    sheet += label(0, 0, '温度') + label(0, 1, '压力') + label(0, 2, '日期')
    sheet += label(1, 0, '℃') + label(1, 1, 'kPa')
    sheet += rec(0x027E, cell_hdr(2, 0, 15) + struct.pack('<I', (25 << 2) | 2))          # 25
    sheet += rec(0x027E, cell_hdr(2, 1, 15) + struct.pack('<I', (10125 << 2) | 3))       # 101.25
    sheet += rec(0x027E, cell_hdr(2, 2, 17) + struct.pack('<I', (36160 << 2) | 2))       # 1999/1/1 in 1904
    sheet += rec(0x00BD, struct.pack('<HH', 3, 0) + struct.pack('<HI', 15, (-7 << 2 & 0xFFFFFFFF) | 2)
                 + struct.pack('<HI', 16, (36526 << 2) | 2) + struct.pack('<H', 1))       # -7, date
    sheet += formula(4, 0, 15, result_special(0))
    sheet += rec(0x0207, struct.pack('<H', len(gbk('合计'))) + gbk('合计'))
    sheet += formula(4, 1, 15, result_special(1, 1))
    sheet += formula(4, 2, 15, result_special(2, 0x07))
    sheet += formula(5, 0, 15, result_special(3))
    sheet += formula(5, 1, 15, result_num(2.5))
    sheet += rec(0x0205, cell_hdr(5, 2, 15) + bytes([0, 0]))  # FALSE
    sheet += rec(0x000A)

    stream = assemble(glob, [('图表', 2, chart), ('数据表', 0, sheet)], bs5)
    write_bytes('biff5_gbk.xls', ole2('Book', stream))


def sst_record(strings_bytes, chunks):
    """SST whose bytes are cut where `chunks` says; each later piece becomes a CONTINUE.
    `strings_bytes` is a list of pieces: bytes, or ('cont', option_byte) marking a cut in
    the middle of a string's characters."""
    out = []
    cur = b''
    for piece in strings_bytes:
        if isinstance(piece, tuple):
            out.append(cur)
            cur = bytes([piece[1]])
        elif piece == b'|':
            out.append(cur)
            cur = b''
        else:
            cur += piece
    out.append(cur)
    return out


def biff8_hand():
    """BIFF8 "Workbook" stream: 1904 dates, custom formats, formula results (string via
    STRING after SHRFMLA, boolean, error, empty), a string table with strings split across
    CONTINUE records (compressed then UTF-16, rich-text runs and phonetic data spanning a
    boundary), an absurd DIMENSIONS, RSTRING and LABEL records."""
    glob = rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 0x06))
    glob += rec(0x0042, struct.pack('<H', 1200))
    glob += rec(0x0022, struct.pack('<H', 1))
    glob += rec(0x041E, struct.pack('<H', 170) + u16str8('[h]:mm:ss'))
    glob += rec(0x041E, struct.pack('<H', 171) + u16str8('[Blue]#,##0.00;[Red]-#,##0.00'))
    glob += rec(0x041E, struct.pack('<H', 172) + u16str8('yyyy"年"m"月"d"日"'))
    glob += xf_records(True, [0, 170, 171, 172, 22])  # xf 15..19

    # String table: 0 "alpha"; 1 "长文本ABC" split after 2 chars into a new record with an
    # option byte switching to compressed; 2 rich "rich" with runs cut by a boundary;
    # 3 "phonetic" with extended data cut by a boundary; 4 "after".
    s0 = struct.pack('<HB', 5, 0) + b'alpha'
    s1a = struct.pack('<HB', 6, 1) + '长文'.encode('utf-16-le')
    s1b = b'ABCD'  # continues compressed after the option byte; 4 more characters
    s2 = struct.pack('<HBH', 4, 0x08, 2) + b'rich' + struct.pack('<HH', 0, 1)
    s2rest = struct.pack('<HH', 2, 0)
    s3 = struct.pack('<HBI', 8, 0x04, 6) + b'phonetic' + b'\x01\x02'
    s3rest = b'\x03\x04\x05\x06'
    s4 = struct.pack('<HB', 5, 0) + b'after'
    pieces = sst_record([s0, s1a, ('cont', 0), s1b, s2, b'|', s2rest, s3, b'|', s3rest, s4], None)
    pieces[0] = struct.pack('<II', 5, 5) + pieces[0]
    glob += rec(0x00FC, pieces[0]) + b''.join(rec(0x003C, p) for p in pieces[1:])

    def bs8(pos, name, kind):
        return rec(0x0085, struct.pack('<IBB', pos, 0, kind) + short_str8(name))

    sheet = rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x0010, 0x0DBB, 0x07CC, 0, 0x06))
    sheet += rec(0x0200, struct.pack('<IIHHH', 0, 0xFFFFFFF0, 0, 3, 0))  # nonsense row range
    for i in range(5):
        sheet += rec(0x00FD, cell_hdr(i, 0, 15) + struct.pack('<I', i))
    sheet += rec(0x00FD, cell_hdr(5, 0, 15) + struct.pack('<I', 99))  # no such string: skipped
    sheet += rec(0x0203, cell_hdr(0, 1, 16) + struct.pack('<d', 1.25))   # [h]:mm:ss
    sheet += rec(0x0203, cell_hdr(1, 1, 17) + struct.pack('<d', 1234.5))  # colours only
    sheet += rec(0x0203, cell_hdr(2, 1, 18) + struct.pack('<d', 0.0))     # 年月日, 1904 day 0
    sheet += rec(0x0203, cell_hdr(3, 1, 19) + struct.pack('<d', 1.5))     # built-in 22
    sheet += formula(0, 2, 15, result_special(0))
    sheet += rec(0x04BC, struct.pack('<HHBB', 0, 1, 2, 2) + bytes(4) + b'\x00\x00')  # SHRFMLA
    sheet += rec(0x0207, u16str8('Σύνολο'))
    sheet += formula(1, 2, 15, result_special(1, 0))
    sheet += formula(2, 2, 15, result_special(2, 0x2A))
    sheet += formula(3, 2, 15, result_special(3))
    sheet += formula(4, 2, 18, result_num(366.0))
    sheet += rec(0x0204, cell_hdr(6, 0, 15) + u16str8('label ünïcode'))
    sheet += rec(0x00D6, cell_hdr(7, 0, 15) + u16str8('rich label') + struct.pack('<H', 0))
    sheet += rec(0x0201, cell_hdr(9, 1, 15))  # BLANK: widens the used range only
    sheet += rec(0x000A)
    stream = assemble(glob, [('Hand', 0, sheet)], bs8)
    write_bytes('biff8_hand.xls', ole2('WORKBOOK', stream))


def biff2_raw():
    """A BIFF2 worksheet without a container: numbered FORMAT records, INTEGER, NUMBER,
    LABEL, BOOLERR, FORMULA and STRING with the 3-byte cell attributes."""
    def attr(fmt):
        return bytes([0, fmt & 0x3F, 0])

    def fmt2(code):
        return rec(0x001E, bytes([len(code)]) + code.encode('latin-1'))

    s = rec(0x0009, struct.pack('<HH', 0x0002, 0x0010))
    s += fmt2('General') + fmt2('0.00') + fmt2('d-mmm-yy')
    s += rec(0x0000, struct.pack('<HHHH', 0, 4, 0, 3))
    s += rec(0x0004, struct.pack('<HH', 0, 0) + attr(0) + bytes([4]) + b'Name')
    s += rec(0x0004, struct.pack('<HH', 0, 1) + attr(0) + bytes([4]) + b'Caf\xe9')
    s += rec(0x0002, struct.pack('<HH', 1, 0) + attr(0) + struct.pack('<H', 65535))
    s += rec(0x0003, struct.pack('<HH', 1, 1) + attr(1) + struct.pack('<d', -2.75))
    s += rec(0x0003, struct.pack('<HH', 1, 2) + attr(2) + struct.pack('<d', 36526.0))
    s += rec(0x0005, struct.pack('<HH', 2, 0) + attr(0) + bytes([1, 0]))
    s += rec(0x0005, struct.pack('<HH', 2, 1) + attr(0) + bytes([0x17, 1]))
    s += rec(0x0006, struct.pack('<HH', 3, 0) + attr(0) + result_special(0) + bytes([0, 1, 0x1e]))
    s += rec(0x0007, bytes([2]) + b'ok')
    s += rec(0x0006, struct.pack('<HH', 3, 1) + attr(0) + result_num(8.0) + bytes([0, 1, 0x1e]))
    s += rec(0x0002, struct.pack('<HH', 20000, 0) + attr(0) + struct.pack('<H', 1))  # past BIFF2's rows
    s += rec(0x000A)
    write_bytes('biff2_raw.xls', s)


def encrypted():
    glob = rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x0005, 0x0DBB, 0x07CC, 0, 0x06))
    glob += rec(0x002F, struct.pack('<HHH', 0, 0x1234, 0x5678))  # XOR obfuscation
    glob += rec(0x0085, struct.pack('<IBB', 0, 0, 0) + short_str8('S')) + rec(0x000A)
    write_bytes('encrypted.xls', ole2('Workbook', glob))


def main():
    os.makedirs(OUT, exist_ok=True)
    numbers()
    text()
    long_text()
    bools_errors()
    dates('dates1900.xls', False)
    dates('dates1904.xls', True)
    offset_c40()
    wide40()
    gap_row()
    long_table()
    error_middle()
    empty()
    one_column()
    biff5_gbk()
    biff8_hand()
    biff2_raw()
    encrypted()


if __name__ == '__main__':
    sys.exit(main())
