#!/usr/bin/python3
"""Builds hostile settings files, one folder per case, each holding ini/option.ini.

    make_hostile_settings.py OUT_DIR [--big-mb N]

FIFOs, links and permissions cannot be committed, and the large files are large, so the
cases are made at run time: by tests/settings/tst_hostilesettings.cpp in a temporary folder (with a
small --big-mb) and by bench/bench_inifile.cpp (100 MB). Every text is GBK, as the program
writes it.
"""
import os
import random
import sys

CURVE = '数据曲线'.encode('gbk')
TITLE = '曲线标题'.encode('gbk')
BACK = '背景颜色'.encode('gbk')
LIMITS = '曲线设置'.encode('gbk')
LOWER1 = '曲线1下限'.encode('gbk')
UPPER1 = '曲线1上限'.encode('gbk')

# A small file the program could have written: title, background and one limit pair.
PLAIN = (b'[' + CURVE + b']\r\n' + TITLE + b'=' + '泵试验'.encode('gbk') + b'\r\n' + BACK + b'=255\r\n'
         b'[' + LIMITS + b']\r\n' + LOWER1 + b'=-5\r\n' + UPPER1 + b'=50\r\n')


def case(out, name):
    folder = os.path.join(out, name, 'ini')
    os.makedirs(folder)
    return folder


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def write_big(path, head, unit, size, tail):
    """head, then unit repeated to about size bytes (whole units), then tail."""
    count = max(1, (1 << 20) // len(unit))
    with open(path, 'wb') as f:
        f.write(head)
        left = size // len(unit)
        while left > 0:
            f.write(unit * min(count, left))
            left -= count
        f.write(tail)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    big = int(sys.argv[3]) << 20 if len(sys.argv) > 3 and sys.argv[2] == '--big-mb' else 32 << 20

    os.mkfifo(os.path.join(case(out, 'fifo'), 'option.ini'))
    os.symlink('/dev/zero', os.path.join(case(out, 'device'), 'option.ini'))
    os.mkdir(os.path.join(case(out, 'folder'), 'option.ini'))

    ini = case(out, 'loop')
    os.symlink('a', os.path.join(ini, 'option.ini'))
    os.symlink('option.ini', os.path.join(ini, 'a'))

    # option.ini -> a -> sub/b, relative links each counted from its own folder
    ini = case(out, 'chain')
    os.mkdir(os.path.join(ini, 'sub'))
    write(os.path.join(ini, 'sub', 'b'), PLAIN)
    os.symlink('sub/a', os.path.join(ini, 'option.ini'))
    os.symlink('b', os.path.join(ini, 'sub', 'a'))

    ini = case(out, 'dangling')
    os.symlink('a', os.path.join(ini, 'option.ini'))
    os.symlink('new.ini', os.path.join(ini, 'a'))

    # A folder that refuses new files around a file that may be written.
    for name in ('readonly-folder', 'readonly-folder-full'):
        ini = case(out, name)
        write(os.path.join(ini, 'option.ini'), PLAIN)
        os.chmod(ini, 0o555)

    ini = case(out, 'unreadable')
    write(os.path.join(ini, 'option.ini'), PLAIN)
    os.chmod(os.path.join(ini, 'option.ini'), 0o200)

    # The euro sign as Windows writes it (0x80) and as GB18030 does (A2 E3).
    write(os.path.join(case(out, 'euro-cp936'), 'option.ini'), b'[' + CURVE + b']\r\n' + TITLE + b'=\x80 5\r\n')
    write(os.path.join(case(out, 'euro-gb18030'), 'option.ini'), b'[' + CURVE + b']\r\n' + TITLE + b'=\xa2\xe3 5\r\n')

    write(os.path.join(case(out, 'hex-zeros'), 'option.ini'),
          b'[' + CURVE + b']\r\n' + BACK + b'=0x0000000FF\r\n' + '网格颜色'.encode('gbk') + b'=0x00000000000000000000FF00\r\n')

    # Random bytes, NULs and lone lead bytes among them, then the real section.
    rng = random.Random(14)
    noise = bytes(rng.choice(b'[]=;\r\n\x00\x80\x81\xfe\xff \tab\xc7\x5d') for _ in range(64 << 10))
    write(os.path.join(case(out, 'garbage'), 'option.ini'), noise + b'\r\n' + PLAIN)

    # Above the size the program reads: real keys first, then a hole that takes no disk.
    path = os.path.join(case(out, 'too-large'), 'option.ini')
    write(path, PLAIN)
    os.truncate(path, (256 << 20) + 1)

    # Large files: many short lines before the keys, one huge value, one huge section line of
    # characters whose second byte is "]", one line without an end, a sparse file of 255 MiB.
    write_big(os.path.join(case(out, 'big-lines'), 'option.ini'), b'[junk]\r\n', b'key0000=value\r\n', big, PLAIN)
    write_big(os.path.join(case(out, 'big-value'), 'option.ini'), b'[' + CURVE + b']\r\n' + TITLE + b'=',
              'Ｘ'.encode('gbk'), big, b'\r\n' + BACK + b'=255\r\n')
    write_big(os.path.join(case(out, 'big-section'), 'option.ini'), b'[', b'\xc7\x5d', big, b'\r\n' + PLAIN)
    # One line and no line end at all: a section and entries run together.
    write_big(os.path.join(case(out, 'one-line'), 'option.ini'), b'[' + CURVE + b'] ', b'x=1 ', big, b'')
    # A hole just below the size the program reads: one line of NULs.
    path = os.path.join(case(out, 'sparse'), 'option.ini')
    write(path, b'')
    os.truncate(path, 255 << 20)


if __name__ == '__main__':
    main()
