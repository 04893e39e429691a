#!/usr/bin/env python3
"""Writes a program folder whose two template stores hold N templates each: the starter's first
template of each store, renamed. usage: startup_folder.py STARTER_DIR OUT_DIR [N]"""
import os
import shutil
import sys

VERSION_LINE = 18
NUMBER = 11


def number(value):
    text = str(value).encode()
    return text + b"\0" * (NUMBER - len(text))


def first_record(path):
    data = open(path, "rb").read()
    pos = VERSION_LINE
    entry = []
    for _ in range(2):
        length = int(data[pos:pos + NUMBER].split(b"\0")[0])
        pos += NUMBER
        entry.append(data[pos:pos + length])
        pos += length
    return data[:VERSION_LINE], entry[0], entry[1]


starter, out = sys.argv[1], sys.argv[2]
n = int(sys.argv[3]) if len(sys.argv) > 3 else 1000
shutil.copytree(starter, out)
for store in ("FreightBillTemplate.pft", "InvoiceTemplate.pit"):
    version, name, record = first_record(os.path.join(starter, store))
    parts = [version]
    for i in range(n):
        renamed = name + str(i).encode() if i else name
        parts += [number(len(renamed)), renamed, number(len(record)), record]
    open(os.path.join(out, store), "wb").write(b"".join(parts))
