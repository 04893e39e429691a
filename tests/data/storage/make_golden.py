#!/usr/bin/env python3
"""Builds the storage golden files byte by byte from the file layouts, independently of the
C++ writers. Run once from this folder; the outputs are committed beside it."""

import os

HERE = os.path.dirname(os.path.abspath(__file__))


def gbk(text):
    return text.encode("gbk")


def number(value, padding=b"\0"):
    text = str(value).encode("ascii") + b"\0"
    assert len(text) <= 11
    return text + padding * (11 - len(text))


def counted(data):
    return number(len(data)) + data


VERSION = b"TemplateVer: 1.00\0"
assert len(VERSION) == 18

RTF_A = b"{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0\\fs18 {\\'ca\\'d5\\'bb\\'f5\\'c8\\'cb}\\par}"
RTF_B = b"{\\rtf1 {\\'ca\\'d6\\'bb\\'fa}}"
RTF_BODY = b"{\\rtf1\\ansi \\qc \\'b7\\'a2\\'bb\\'f5\\'b5\\'a5\\par {\\'c2\\'f2\\'bc\\'d2}\\par}"


def freight_bill_record(image, width, x, y, boxes):
    out = counted(image) + number(width) + number(x) + number(y) + number(len(boxes)) + b"\n"
    for left, top, height, box_width, rtf in boxes:
        out += number(left) + number(top) + number(height) + number(box_width)
        out += counted(rtf) + b"\n"
    return out


def invoice_record(width, body):
    return number(width) + counted(body)


# Template A: a box 300 wide and 40 high at (12, 8), stored left, top, height, width.
FB_A = freight_bill_record(gbk("申通快递.jpg"), 190, -3, 5,
                           [(12, 8, 40, 300, RTF_A), (400, 120, 25, 90, RTF_B)])
FB_B = freight_bill_record(b"", 210, 0, -50, [])
INV_A = invoice_record(180, RTF_BODY)
INV_B = invoice_record(30, b"{\\rtf1 x}")


def store(entries):
    out = VERSION
    for name, record in entries:
        out += counted(name) + counted(record)
    return out


def grid_cells(rows):
    out = b""
    for row in rows:
        assert len(row) == 7
        for cell in row:
            out += counted(cell)
    return out


FILES = {
    "freight_bill_store.pft": store([(gbk("申通快递"), FB_A), (gbk("空白"), FB_B)]),
    "invoice_store.pit": store([(gbk("默认发货单"), INV_A), (b"Plain", INV_B)]),
    "empty_store.pft": VERSION,
    "freight_bill.pfb": FB_A,
    "invoice_no_grid.pin": INV_A,
    "invoice_with_grid.pin": INV_A + number(4) + grid_cells([
        [b"123456789", gbk("羊毛围巾"), b"2", b"35.00", b"10.00", b"", b"80.00"],
        [b"123456789", gbk("手套"), b"1", b"15.50", b"", b"0.50", b"15.00"],
        [gbk("合计"), b"", b"3", b"", b"10.00", b"0.50", b"95.00"],
    ]),
    "template.pff": VERSION + counted(gbk("申通快递")) + counted(FB_A) +
                    counted(b"\xff\xd8\xff\xe0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0\xff\xd9"),
    "template.pif": VERSION + counted(gbk("默认发货单")) + counted(INV_A),
    # Version line, 1382401, 1382401, site 0, no templates; CR LF between, none at the end.
    "Config.pcf": b"ConfigFileVer: 1.00\r\n1382401\r\n1382401\r\n0\r\n-1\r\n-1",
    # Read-only: padding after the NUL carries any bytes, and a zero-length record between
    # two good entries is dropped.
    "padded_store.pit": VERSION + b"5\0\xab\xab\xab\xab\xab\xab\xab\xab\xab" + b"First" +
                        number(len(INV_A), b"\xcd") + INV_A +
                        counted(b"Zero") + number(0) +
                        counted(b"Second") + number(len(INV_B), b" ") + INV_B,
}

for name, data in FILES.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
