#!/usr/bin/env python3
"""Writes the hand-made OurGame sample records of this folder.

old_red.chn    older layout, player A plays red, three moves
old_black.chn  the same game stored by player A playing black (squares turned)
new.xqi        newer layout: start position without red's left-most pawn,
               start comment, a main line of two moves, one alternative
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MAGIC = bytes([0x47, 0x4C, 0xD0, 0x07])


def fixed(text, size):
    raw = text.encode("gbk")[:size]
    return raw + b"\0" * (size - len(raw))


def common(version, date, title, a1, a2):
    h = bytearray(MAGIC + struct.pack("<i", version) + b"\0" * 4)
    h += fixed(date, 20) + b"\0" * 4 + fixed(title, 64) + fixed(a1, 20) + fixed(a2, 20)
    assert len(h) == 140
    return h


def old_file(a_red, moves):
    h = common(67534, "Mar 05 09:07:00 2004", "红胜 测试对局", "A1", "甲方")
    h += struct.pack("<i", 1 if a_red else 2) + fixed("B1", 20) + fixed("乙方", 20)
    h += b"\0" * (188 - len(h))
    for (fx, fy), (tx, ty) in moves:
        rec = bytearray(32)
        rec[4], rec[6], rec[8], rec[10] = fx, fy, tx, ty
        h += rec
    return bytes(h)


# Cannon 2 to 5, horse 8 forward to 7, horse 2 forward to 3 (record squares).
GAME = [((7, 7), (4, 7)), ((7, 0), (6, 2)), ((7, 9), (6, 7))]


def turned(move):
    return tuple((8 - x, 9 - y) for x, y in move)


START = [0x09, 0x19, 0x29, 0x39, 0x49, 0x59, 0x69, 0x79, 0x89, 0x17, 0x77, 0x06, 0x26, 0x46,
         0x66, 0x86, 0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x12, 0x72, 0x03,
         0x23, 0x43, 0x63, 0x83]
RED_CODES = [0x11, 0x12, 0x16, 0x15, 0x14, 0x25, 0x26, 0x22, 0x21, 0x13, 0x23, 0x17, 0x27,
             0x37, 0x47, 0x57]


def node(ident, continues, frm, to, comment):
    body = comment.encode("gbk") + b"\0" if comment is not None else b""
    rec = bytearray(36)
    struct.pack_into("<iiH", rec, 4, ident, 1 if continues else 0, len(body))
    # stored squares: row in the high nibble, column in the low nibble
    rec[14] = (frm & 0x0F) << 4 | frm >> 4
    rec[15] = (to & 0x0F) << 4 | to >> 4
    return bytes(rec) + body


def new_file():
    h = common(67540, "2004/03/05", "新版测试", "A1", "甲方")
    h += fixed("B1", 20) + fixed("乙方", 20)
    board = bytearray(90)
    for slot, sq in enumerate(START):
        if slot == 11:
            continue
        code = RED_CODES[slot % 16] + (8 if slot >= 16 else 0)
        board[(sq >> 4) * 10 + (sq & 0x0F)] = code
    h += board
    h += b"\0" * (360 - len(h))
    h += bytes([1, 0, 3]) + b"\0" * (468 - 363)
    h += struct.pack("<i", 1)
    assert len(h) == 472
    h += node(0, True, 0, 0, "开局")
    h += node(1, True, 0x77, 0x47, None)
    h += node(2, False, 0x70, 0x62, "马8进7")
    h += node(2, False, 0x72, 0x42, "")
    return bytes(h)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


write("old_red.chn", old_file(True, GAME))
write("old_black.chn", old_file(False, [turned(m) for m in GAME]))
write("new.xqi", new_file())
