#!/usr/bin/python3
"""Writes hostile workbook files: inputs built to make a reader spend too much memory or
time, or to look like something they are not.

    make_hostile_workbooks.py KIND BYTES OUT [--ole]

KIND is one of the names in KINDS (workbook streams) or TEXT_KINDS (delimited text, as
loggers write it under any name) below, BYTES the rough size of the workbook stream or the
text file (ignored by the kinds of a fixed size), OUT the file to write. --ole wraps the stream in a
compound file, as Excel stores it; otherwise the file is the bare BIFF stream. The test of
hostile workbooks and the benchmark call this with small and with 200 MB sizes; nothing
it writes is committed.
"""
import os
import random
import struct
import sys


def rec(rid, payload=b''):
    return struct.pack('<HH', rid, len(payload)) + payload


def bof8(kind):
    return rec(0x0809, struct.pack('<HHHHII', 0x0600, kind, 0x0DBB, 0x07CC, 0, 6))


def bof3(kind):
    return rec(0x0209, struct.pack('<HHH', 0x0300, kind, 0))


EOF = rec(0x000A)


def cell(row, col, xf=0):
    return struct.pack('<HHH', row, col, xf)


def number(row, col, value, xf=0):
    return rec(0x0203, cell(row, col, xf) + struct.pack('<d', value))


def label8(row, col, text):
    data = text.encode('latin-1')
    return rec(0x0204, cell(row, col) + struct.pack('<HB', len(data), 0) + data)


def header_rows(cols):
    """A name row and a unit row, so the table report sees a real table."""
    out = b''
    for c in range(cols):
        out += label8(0, c, 'c%d' % (c + 1)) + label8(1, c, 'u')
    return out


def sst(strings):
    """SST with CONTINUE records; a string split across records restarts with its option
    byte, as Excel writes it. Strings are Latin-1."""
    limit = 8224
    records = []
    current = [struct.pack('<II', len(strings), len(strings))]
    used = 8
    for s in strings:
        data = s.encode('latin-1')
        head = struct.pack('<HB', len(data), 0)
        if used + len(head) + 1 > limit:
            records.append(b''.join(current))
            current, used = [], 0
        current.append(head)
        used += len(head)
        while data:
            room = limit - used
            if room <= 0:
                records.append(b''.join(current))
                current, used = [b'\x00'], 1  # option byte of the continued characters
                continue
            current.append(data[:room])
            used += len(data[:room])
            data = data[room:]
    records.append(b''.join(current))
    return rec(0x00FC, records[0]) + b''.join(rec(0x003C, r) for r in records[1:])


def one_char_sst(count):
    """The same for `count` one-character strings, written in whole records at once: 2,056
    strings of 4 bytes fill a record exactly."""
    per = 2056
    strings = b''.join(struct.pack('<HB', 1, 0) + bytes([0x41 + i % 26]) for i in range(per))
    first = struct.pack('<II', count, count) + strings[:(per - 2) * 4]
    out = [rec(0x00FC, first)]
    left = count - (per - 2)
    if left < 0:
        return rec(0x00FC, struct.pack('<II', count, count) + strings[:count * 4])
    full = rec(0x003C, strings)
    out.append(full * (left // per))
    if left % per:
        out.append(rec(0x003C, strings[:(left % per) * 4]))
    return b''.join(out)


def workbook8(globals_records, sheet_records, sheet_offset=None):
    """BIFF8 globals with one BOUNDSHEET, then the worksheet. The sheet's position is the
    real one unless `sheet_offset` says otherwise."""
    def globals_part(pos):
        return (bof8(0x0005) + rec(0x0042, struct.pack('<H', 1200)) + globals_records
                + rec(0x0085, struct.pack('<IBB', pos, 0, 0) + struct.pack('<BB', 6, 0) + b'Sheet1')
                + EOF)
    size = len(globals_part(0))
    pos = size if sheet_offset is None else sheet_offset
    return globals_part(pos) + bof8(0x0010) + sheet_records + EOF


# ---- the kinds ------------------------------------------------------------------------

def sst_flood(size):
    """A string table of one-character strings filling the stream, a small table using
    the first ones."""
    count = max(1, (size - 2000) // 4)
    cells = header_rows(2)
    for r in range(2, 12):
        for c in range(2):
            cells += rec(0x00FD, cell(r, c) + struct.pack('<I', (r * 2 + c) % count))
    return workbook8(one_char_sst(count), cells)


def format_flood(size):
    """BIFF3 single sheet: empty FORMAT records (each one numbers a new format), then a
    small table."""
    count = max(1, (size - 2000) // 4)
    body = rec(0x001E) * count
    for r in range(10):
        for c in range(2):
            body += rec(0x0203, cell(r, c) + struct.pack('<d', r * 10 + c))
    return bof3(0x0010) + body + EOF


def label_rewrite(size):
    """LABEL records of one character, rewriting cells A3 and B3 over and over, under a
    name and unit row."""
    one = len(label8(2, 0, 'x'))
    count = max(2, (size - 2000) // one)
    body = header_rows(2)
    rewrite = label8(2, 0, 'a') + label8(2, 1, 'b')
    body += rewrite * (count // 2)
    body += label8(2, 0, 'last') + label8(2, 1, 'end')
    return bof8(0x0010) + body + EOF


def shared_long(size):
    """One 65,535-character shared string in every cell of 2,000 rows x 32 columns."""
    del size
    cells = b''.join(rec(0x00FD, cell(r, c) + struct.pack('<I', 0))
                     for r in range(2000) for c in range(32))
    return workbook8(sst(['L' * 65535]), cells)


def xf_rk(size):
    """XF records alternating with RK cells in one sheet stream: every XF comes between
    two cells, and every cell asks whether its format is a date."""
    xf = rec(0x00E0, struct.pack('<HHH', 0, 0, 0) + bytes(14))
    pair = len(xf) + len(rec(0x027E, cell(0, 0) + struct.pack('<I', 0)))
    count = max(1, (size - 2000) // pair)
    # One period of 200,000 pairs, repeated: every XF index and row still comes round.
    period = min(count, 200000)
    block = b''.join(xf + rec(0x027E, cell(2 + i % 200, i % 2, i % 0x10000)
                              + struct.pack('<I', ((i % 1000) << 2) | 2))
                     for i in range(period))
    body = block * (count // period)
    body += block[:(count % period) * pair]
    return bof8(0x0010) + header_rows(2) + body + EOF


def boundsheet_zero(size):
    """A sheet list whose only entry points at offset 0, the globals' own BOF."""
    del size
    cells = header_rows(3)
    for r in range(2, 7):
        for c in range(3):
            cells += number(r, c, r * 10 + c)
    return workbook8(b'', cells, sheet_offset=0)


def continue_flood(size):
    """Empty CONTINUE records after a cell's STRING record, filling the stream, under a small
    table: a reader that keeps a segment for each of them holds 16 bytes per 4 of file."""
    count = max(1, (size - 2000) // 4)
    body = header_rows(2) + number(2, 0, 1) + number(2, 1, 2)
    # A formula in C3 whose string result follows, continued by the flood.
    formula = rec(0x0006, cell(2, 2) + struct.pack('<HHHH', 0, 0, 0, 0xFFFF) + bytes(6))
    string = rec(0x0207, struct.pack('<HB', 3, 0) + b'end')
    body += formula + string + rec(0x003C) * count
    return bof8(0x0010) + body + EOF


KINDS = {
    'sst-flood': sst_flood,
    'format-flood': format_flood,
    'label-rewrite': label_rewrite,
    'shared-long': shared_long,
    'xf-rk': xf_rk,
    'boundsheet-zero': boundsheet_zero,
    'continue-flood': continue_flood,
}


# ---- delimited text under a workbook's name, as loggers write it ------------------------

def long_line(out, size):
    """One line of `size` bytes: eight-byte fields "1234567," (300 MB: 39 million fields)."""
    field = b'1234567,'
    with open(out, 'wb') as f:
        block = field * (1 << 17)
        for _ in range(size // len(block)):
            f.write(block)
        f.write(field * ((size % len(block)) // len(field)) + b'\n')


def bare_breaks(byte):
    def write(out, size):
        with open(out, 'wb') as f:
            block = byte * (1 << 20)
            for _ in range(size // len(block)):
                f.write(block)
            f.write(byte * (size % len(block)))
    return write


def nul_text(out, size):
    """128 KiB of a table, then NULs to `size` bytes (sparse: no disk is used)."""
    table = b'a,b\nu,u\n' + b'1,2\n' * (((1 << 17) - 8) // 4)
    with open(out, 'wb') as f:
        f.write(table[:1 << 17])
        f.truncate(max(size, 1 << 18))


def binary_text(out, size):
    """A small table, then bytes of a fixed random sequence (NULs among them), `size` bytes."""
    rnd = random.Random(26)
    with open(out, 'wb') as f:
        f.write(b'a,b\n1,2\n')
        left = size
        while left > 0:
            n = min(left, 1 << 20)
            f.write(rnd.randbytes(n))
            left -= n


def utf16_nul(out, size):
    """A UTF-16 file (byte-order mark) of a small table, then NUL characters (sparse)."""
    with open(out, 'wb') as f:
        f.write(b'\xFF\xFE' + 'a,b\r\n1,2\r\n'.encode('utf-16-le'))
        f.truncate(max(size, 32) & ~1)


TEXT_KINDS = {
    'long-line': long_line,
    'bare-cr': bare_breaks(b'\r'),
    'bare-lf': bare_breaks(b'\n'),
    'nul-text': nul_text,
    'binary-text': binary_text,
    'utf16-nul': utf16_nul,
}

# Kinds that are not workbook streams.
SPECIAL = ('fifo', 'too-large', 'fat-count') + tuple(TEXT_KINDS)


# ---- compound file ------------------------------------------------------------------

def ole2(data, fat_count=None):
    """A compound file (512-byte sectors) holding `data` as its "Workbook" stream, with as
    many FAT and DIFAT sectors as the size needs. `fat_count` writes a wrong FAT sector
    count into the header, the sectors themselves staying sound."""
    if len(data) < 4096:
        data = data + bytes(4096 - len(data))
    data_sectors = (len(data) + 511) // 512
    data = data + bytes(data_sectors * 512 - len(data))
    # Sectors: stream, directory, FAT, DIFAT. Grow FAT/DIFAT until they cover everything.
    fat_sectors, difat_sectors = 1, 0
    while True:
        total = data_sectors + 1 + fat_sectors + difat_sectors
        need_fat = (total + 127) // 128
        need_difat = 0 if need_fat <= 109 else (need_fat - 109 + 126) // 127
        if need_fat == fat_sectors and need_difat == difat_sectors:
            break
        fat_sectors, difat_sectors = need_fat, need_difat
    dir_at = data_sectors
    fat_at = dir_at + 1
    difat_at = fat_at + fat_sectors
    fat = list(range(1, data_sectors)) + [0xFFFFFFFE]          # stream chain
    fat += [0xFFFFFFFE]                                         # directory
    fat += [0xFFFFFFFD] * fat_sectors + [0xFFFFFFFC] * difat_sectors
    fat += [0xFFFFFFFF] * (fat_sectors * 128 - len(fat))
    fat_list = [fat_at + i for i in range(fat_sectors)]
    head_list = fat_list[:109] + [0xFFFFFFFF] * (109 - min(109, len(fat_list)))
    rest = fat_list[109:]
    difat = b''
    for i in range(difat_sectors):
        chunk = rest[i * 127:(i + 1) * 127]
        chunk += [0xFFFFFFFF] * (127 - len(chunk))
        nxt = difat_at + i + 1 if i + 1 < difat_sectors else 0xFFFFFFFE
        difat += struct.pack('<128I', *(chunk + [nxt]))
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + bytes(16)
              + struct.pack('<HHHHH', 0x3E, 3, 0xFFFE, 9, 6) + bytes(6)
              + struct.pack('<IIIIIIIII', 0,
                            fat_sectors if fat_count is None else fat_count,
                            dir_at, 0, 4096, 0xFFFFFFFE, 0,
                            difat_at if difat_sectors else 0xFFFFFFFE, difat_sectors)
              + struct.pack('<109I', *head_list))
    assert len(header) == 512

    def dirent(name, kind, child, start, size):
        n = name.encode('utf-16-le') + b'\0\0'
        return (n + bytes(64 - len(n)) + struct.pack('<HBB', len(n), kind, 1)
                + struct.pack('<III', 0xFFFFFFFF, 0xFFFFFFFF, child) + bytes(16 + 4 + 16)
                + struct.pack('<III', start, size, 0))

    directory = (dirent('Root Entry', 5, 1, 0xFFFFFFFE, 0)
                 + dirent('Workbook', 2, 0xFFFFFFFF, 0, len(data))
                 + (bytes(64) + struct.pack('<HBB', 0, 0, 0)
                    + struct.pack('<III', 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF) + bytes(48)) * 2)
    assert len(directory) == 512
    return header + data + directory + struct.pack('<%dI' % len(fat), *fat) + difat


def main(argv):
    if len(argv) < 4 or (argv[1] not in KINDS and argv[1] not in SPECIAL):
        sys.stderr.write(__doc__)
        return 1
    kind, size, out = argv[1], int(argv[2]), argv[3]
    if os.path.lexists(out):
        os.remove(out)
    if kind == 'fifo':
        os.mkfifo(out)
        return 0
    if kind == 'too-large':
        # Sparse: one byte past the bound without using the disk.
        with open(out, 'wb') as f:
            f.write(bof8(0x0010))
            f.truncate((1 << 30) + 1)
        return 0
    if kind in TEXT_KINDS:
        TEXT_KINDS[kind](out, size)
        return 0
    if kind == 'fat-count':
        # A small table in a compound file whose header names 8,388,610 FAT sectors.
        with open(out, 'wb') as f:
            f.write(ole2(workbook8(b'', header_rows(2) + number(2, 0, 1) + number(2, 1, 2)),
                         fat_count=0x00800002))
        return 0
    stream = KINDS[kind](size)
    with open(out, 'wb') as f:
        f.write(ole2(stream) if '--ole' in argv[4:] else stream)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
