#!/usr/bin/python3
"""Writes the benchmark workbooks (numbers only) into the folder given as argument:
bench_65536x32.xls and bench_1000x5.xls, bench_chart_1000x5.xls (a name and a unit row
above 1,000 rows of readings, as the chart window and tabrovex-plot expect), and
bench_chart_65536x5.xls (a test-bench log filling a sheet: 65,534 readings every 0.1 s
below the name and unit rows, with short pressure spikes), and bench_chart_200x12.xls (a
12-column log for the column band's screenshots). Run with Debian's /usr/bin/python3 (python3-xlwt)."""
import os
import sys

import xlwt


def write(path, rows, cols):
    wb = xlwt.Workbook()
    ws = wb.add_sheet('Data')
    for r in range(rows):
        row = ws.row(r)
        for c in range(cols):
            # Mix of integers (RK records) and fractions (NUMBER records).
            row.set_cell_number(c, r * 0.25 + c if c % 2 else r + c)
        if r % 1000 == 0:
            ws.flush_row_data()
    wb.save(path)


def write_chart(path, rows, cols):
    import math
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('Data')
    for c in range(cols):
        ws.write(0, c, 'col%d' % (c + 1))
        ws.write(1, c, 'u%d' % (c + 1))
    for r in range(rows):
        ws.write(r + 2, 0, r * 0.1)
        for c in range(1, cols):
            ws.write(r + 2, c, round(10 * c + 5 * math.sin(r / (7.0 * c)) + (r % 13) * 0.01, 4))
    wb.save(path)


def write_test_bench(path, rows, cols):
    import math
    wb = xlwt.Workbook(encoding='utf-8')
    ws = wb.add_sheet('Data')
    names = ['时间', '压力', '流量', '温度', '转速']
    units = ['s', 'MPa', 'L/min', '℃', 'r/min']
    for c in range(cols):
        ws.write(0, c, names[c] if c < len(names) else '测点%d' % (c + 1))
        ws.write(1, c, units[c] if c < len(units) else 'mV')
    for r in range(rows - 2):
        row = ws.row(r + 2)
        row.set_cell_number(0, round(r * 0.1, 1))
        for c in range(1, cols):
            v = 10 * c + 3 * math.sin(r / (40.0 * c)) + ((r * 7919 + c) % 101) * 0.01
            if (r + 1000 * c) % 9973 == 0:
                v += 20  # a spike of one reading
            row.set_cell_number(c, round(v, 3))
        if r % 1000 == 0:
            ws.flush_row_data()
    wb.save(path)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else '.'
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, 'bench_65536x32.xls'), 65536, 32)
    write(os.path.join(out, 'bench_1000x5.xls'), 1000, 5)
    write_chart(os.path.join(out, 'bench_chart_1000x5.xls'), 1000, 5)
    write_test_bench(os.path.join(out, 'bench_chart_65536x5.xls'), 65536, 5)
    write_test_bench(os.path.join(out, 'bench_chart_200x12.xls'), 202, 12)


if __name__ == '__main__':
    main()
