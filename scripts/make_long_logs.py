#!/usr/bin/python3
"""Writes the long measurement logs that bench/long_logs.sh reads, into OUTDIR:

  log_1000000x8.csv     comma-separated text
  log_65536x32.csv
  log_1048576x32.xlsx   the sheet's XML streamed into the zip, numbers inline
  log_65536x32.xls      python3-xlwt

The counts are the sheet's rows (the name and unit rows included) and its columns. Like a
data logger's file: row 1 the channel names, row 2 the units, then a time column in seconds
at 100 Hz and smooth signals with noise, three decimals. --rows-scale F scales the row
counts (bench/long_logs.sh --quick uses 0.1). Files already there are kept; each file is
written under a temporary name first, so an interrupted run leaves none half written.
--list prints the names of the files at that scale, in the order above.
"""
import argparse
import os
import sys
import time
import zipfile

import numpy

BLOCK = 16384  # rows computed and written at a time

# name, unit, offset, amplitude, period in seconds, noise: temperatures, pressures,
# voltages, currents, a speed; repeated with shifted periods for wider tables.
CHANNELS = [
    ("T_oil", "°C", 62.0, 18.0, 900.0, 0.05),
    ("T_water", "°C", 48.0, 12.0, 700.0, 0.05),
    ("p_rail", "bar", 6.5, 2.0, 45.0, 0.02),
    ("U_batt", "V", 13.2, 0.6, 120.0, 0.01),
    ("I_load", "A", 24.0, 9.0, 30.0, 0.2),
    ("n_motor", "rpm", 1500.0, 400.0, 60.0, 2.0),
    ("T_air", "°C", 21.0, 3.0, 3600.0, 0.02),
    ("p_amb", "kPa", 101.3, 0.4, 5000.0, 0.01),
]


def channel(k):
    """The k-th channel (from 0): name, unit, offset, amplitude, period, noise."""
    name, unit, offset, amp, period, noise = CHANNELS[k % len(CHANNELS)]
    group = k // len(CHANNELS)
    if group:
        name = "%s_%d" % (name, group + 1)
        period *= 1.0 + 0.37 * group
    return name, unit, offset, amp, period, noise


def header(columns):
    chans = [channel(k) for k in range(columns - 1)]
    return ["time"] + [c[0] for c in chans], ["s"] + [c[1] for c in chans]


def blocks(rows, columns, seed):
    """The data rows (rows - 2 of them) as lists of floats, BLOCK rows at a time."""
    rng = numpy.random.default_rng(seed)
    chans = [channel(k) for k in range(columns - 1)]
    offset, amp, period, noise = (numpy.array([c[i] for c in chans]) for i in range(2, 6))
    phase = rng.uniform(0, 2 * numpy.pi, columns - 1)
    for start in range(0, rows - 2, BLOCK):
        t = numpy.arange(start, min(start + BLOCK, rows - 2)) / 100.0
        wave = numpy.sin(2 * numpy.pi * t[:, None] / period + phase)
        values = offset + amp * wave + rng.normal(0.0, 1.0, wave.shape) * noise
        yield numpy.column_stack((t, numpy.round(values, 3))).tolist()


def write_csv(path, rows, columns):
    names, units = header(columns)
    line = "%.2f" + ",%.3f" * (columns - 1) + "\n"
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(",".join(names) + "\n" + ",".join(units) + "\n")
        for block in blocks(rows, columns, 1):
            f.write("".join([line % tuple(r) for r in block]))


def column_letters(k):
    """Column k (from 1) as in A1 references."""
    letters = ""
    while k:
        k, r = divmod(k - 1, 26)
        letters = chr(65 + r) + letters
    return letters


MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
RELS = "http://schemas.openxmlformats.org/package/2006/relationships"
DOC = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
OOXML = "application/vnd.openxmlformats-officedocument.spreadsheetml."
DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

PARTS = {
    "[Content_Types].xml": DECL
    + '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/xl/workbook.xml" ContentType="' + OOXML + 'sheet.main+xml"/>'
    '<Override PartName="/xl/worksheets/sheet1.xml" ContentType="' + OOXML + 'worksheet+xml"/>'
    '<Override PartName="/xl/styles.xml" ContentType="' + OOXML + 'styles+xml"/></Types>',
    "_rels/.rels": DECL + '<Relationships xmlns="' + RELS + '">'
    '<Relationship Id="rId1" Type="' + DOC + '/officeDocument" Target="xl/workbook.xml"/>'
    "</Relationships>",
    "xl/workbook.xml": DECL + '<workbook xmlns="' + MAIN + '" xmlns:r="' + DOC + '">'
    '<sheets><sheet name="log" sheetId="1" r:id="rId1"/></sheets></workbook>',
    "xl/_rels/workbook.xml.rels": DECL + '<Relationships xmlns="' + RELS + '">'
    '<Relationship Id="rId1" Type="' + DOC + '/worksheet" Target="worksheets/sheet1.xml"/>'
    '<Relationship Id="rId2" Type="' + DOC + '/styles" Target="styles.xml"/></Relationships>',
    "xl/styles.xml": DECL + '<styleSheet xmlns="' + MAIN + '">'
    '<fonts count="1"><font><sz val="11"/><name val="Calibri"/></font></fonts>'
    '<fills count="2"><fill><patternFill patternType="none"/></fill>'
    '<fill><patternFill patternType="gray125"/></fill></fills>'
    '<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>'
    '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
    '<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>'
    '<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>'
    "</styleSheet>",
}


def write_xlsx(path, rows, columns):
    names, units = header(columns)

    def text_row(r, texts):
        cells = "".join('<c t="inlineStr"><is><t>%s</t></is></c>' % t for t in texts)
        return '<row r="%d">%s</row>' % (r, cells)

    cell_row = '<row r="%d"><c><v>%.2f</v></c>' + "<c><v>%.3f</v></c>" * (columns - 1) + "</row>"
    # Level 1: the sheet is hundreds of megabytes; the reader's work does not depend on it.
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        for name, text in PARTS.items():
            z.writestr(name, text)
        with z.open("xl/worksheets/sheet1.xml", "w") as f:
            f.write((DECL + '<worksheet xmlns="%s"><dimension ref="A1:%s%d"/><sheetData>'
                     % (MAIN, column_letters(columns), rows)
                     + text_row(1, names) + text_row(2, units)).encode())
            r = 3
            for block in blocks(rows, columns, 2):
                f.write("".join([cell_row % (r + i, *v) for i, v in enumerate(block)]).encode())
                r += len(block)
            f.write(b"</sheetData></worksheet>")


def write_xls(path, rows, columns):
    import xlwt

    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("log")
    names, units = header(columns)
    for c in range(columns):
        sheet.write(0, c, names[c])
        sheet.write(1, c, units[c])
    r = 2
    for block in blocks(rows, columns, 3):
        for values in block:
            row = sheet.row(r)
            for c, v in enumerate(values):
                row.set_cell_number(c, v)
            r += 1
    book.save(path)


# The file kinds at full size, with the most rows their format holds.
FILES = [
    ("csv", 1000000, 8, write_csv, None),
    ("csv", 65536, 32, write_csv, None),
    ("xlsx", 1048576, 32, write_xlsx, 1048576),
    ("xls", 65536, 32, write_xls, 65536),
]


def file_names(scale):
    """(name, rows, columns, writer) of every file at this scale."""
    out = []
    for ext, rows, columns, writer, most in FILES:
        n = max(3, round(rows * scale))
        if most:
            n = min(n, most)
        out.append(("log_%dx%d.%s" % (n, columns, ext), n, columns, writer))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("outdir")
    parser.add_argument("--rows-scale", type=float, default=1.0, metavar="F")
    parser.add_argument("--list", action="store_true", help="print the file names only")
    args = parser.parse_args()
    if args.list:
        print("\n".join(f[0] for f in file_names(args.rows_scale)))
        return
    os.makedirs(args.outdir, exist_ok=True)
    for name, rows, columns, writer in file_names(args.rows_scale):
        path = os.path.join(args.outdir, name)
        if os.path.exists(path):
            continue
        started = time.monotonic()
        part = path + ".part" + os.path.splitext(name)[1]
        writer(part, rows, columns)
        os.replace(part, path)
        print("%s: %.1f MB in %.1f s" % (name, os.path.getsize(path) / 1e6, time.monotonic() - started))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
