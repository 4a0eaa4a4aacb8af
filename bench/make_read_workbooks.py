#!/usr/bin/python3
"""Writes the workbooks that bench_readworkbook reads, into the folder given.

read_65536x32.xls: a name row, a unit row and 65,534 rows of readings in 32 columns
(the most rows the format holds); read_1000x5.xls: the same shape with 1,000 rows and 5
columns. Values are fractional, so every cell goes through the number formatting.
Run with Debian's python3-xlwt.
"""
import math
import os
import sys

import xlwt


def write(path, rows, cols):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("数据")
    for c in range(cols):
        sheet.write(0, c, "通道%d" % (c + 1))
        sheet.write(1, c, "V")
    for r in range(2, rows):
        t = (r - 2) * 0.01
        rw = sheet.row(r)
        for c in range(cols):
            rw.set_cell_number(c, round(c + math.sin(t * (c + 1)) * 100.0, 4))
        if r % 4096 == 0:
            sheet.flush_row_data()
    book.save(path)


def main(folder):
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "read_65536x32.xls"), 65536, 32)
    write(os.path.join(folder, "read_1000x5.xls"), 1000, 5)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
