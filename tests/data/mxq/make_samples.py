#!/usr/bin/env python3
"""Writes the hand-made 弈天 sample records of this folder.

initboard_undo.mxq  an endgame board given by "initboard", a title with an
                    ASCII separator in capitals, an "UNDO" entry; three moves kept
endgame.mcj         the same board as an MCJ file
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def short(text):
    raw = text.encode("gbk") if isinstance(text, str) else text
    return bytes([len(raw)]) + raw


def board():
    # Character k is column k div 10, row 9 - k mod 10 (row 0 is black's back rank).
    cells = ["0"] * 90
    for letter, col, row in [("1", 3, 9), ("8", 0, 5), ("h", 5, 0)]:
        cells[col * 10 + 9 - row] = letter
    return "".join(cells)


HEADER = ["弈天", "02-10-22", "红方(1星)-WIN-黑方(2星)", "1500", "1600", "5", "1", "30",
          "297", "300", "认输"]
MOVES = ["0E-5E", "5J-4J", "5E-5A", "UNDO", "5E-5I", "Ends"]

mxq = b"".join(short(t) for t in HEADER)
mxq += short("Other") + short("x") + short("initboard") + short(board()) + short("MOVES")
mxq += b"".join(short(m) for m in MOVES) + short("CommentsEnd")
with open(os.path.join(HERE, "initboard_undo.mxq"), "wb") as f:
    f.write(mxq)
with open(os.path.join(HERE, "endgame.mcj"), "wb") as f:
    f.write(b"\x01" + board().encode())
