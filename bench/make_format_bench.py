#!/usr/bin/python3
"""The format benchmark's files and its reference reader. Run with Debian's /usr/bin/python3
(python3-openpyxl).

  make_format_bench.py write FOLDER   writes bench_65536x32.xlsx and bench_1000x5.csv
  make_format_bench.py read FILE      reads FILE with openpyxl in read-only mode, every
                                      value of every row, and prints the seconds taken
"""
import os
import sys
import time

import openpyxl


def write(folder):
    os.makedirs(folder, exist_ok=True)
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet('Data')
    for r in range(65536):
        # Integers and fractions, as the .xls benchmark writes them.
        ws.append([r * 0.25 + c if c % 2 else r + c for c in range(32)])
    wb.save(os.path.join(folder, 'bench_65536x32.xlsx'))
    with open(os.path.join(folder, 'bench_1000x5.csv'), 'w', newline='') as f:
        for r in range(1000):
            f.write(','.join(str(r * 0.25 + c) for c in range(5)) + '\r\n')


def read(path):
    start = time.perf_counter()
    wb = openpyxl.load_workbook(path, read_only=True)
    ws = wb.worksheets[0]
    cells = 0
    for row in ws.iter_rows(values_only=True):
        cells += sum(1 for v in row if v is not None)
    wb.close()
    print('%.3f %d' % (time.perf_counter() - start, cells))


if __name__ == '__main__':
    if sys.argv[1] == 'write':
        write(sys.argv[2])
    else:
        read(sys.argv[2])
