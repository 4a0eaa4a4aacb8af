#!/usr/bin/python3
"""Writes data/001.xls, the sample workbook placed beside the program.

A bench test of a small pump: time, pressure, flow, temperature and speed, with a name
row and a unit row above 120 rows of readings. Run with Debian's python3-xlwt.
"""
import math
import os
import sys

import xlwt

def main(path):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("数据")
    names = ["时间", "压力", "流量", "温度", "转速"]
    units = ["s", "MPa", "L/min", "℃", "r/min"]
    for c, (name, unit) in enumerate(zip(names, units)):
        sheet.write(0, c, name)
        sheet.write(1, c, unit)
    for i in range(120):
        t = i * 0.5
        pressure = round(2.0 + 1.5 * (1 - math.exp(-t / 12.0)) + 0.08 * math.sin(t * 1.3), 3)
        flow = round(40.0 + 12.0 * math.sin(t / 9.0) + 0.5 * math.cos(t * 2.1), 2)
        temperature = round(20.0 + 0.35 * t + 1.2 * math.sin(t / 5.0), 2)
        speed = round(1450 + 60 * math.sin(t / 14.0) - 0.8 * t, 1)
        for c, v in enumerate([t, pressure, flow, temperature, speed]):
            sheet.write(i + 2, c, v)
    book.save(path)

if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "001.xls"))
