#!/usr/bin/env python3
"""Draws setup's finish picture, finish.bmp (164 x 314 pixels, 24 bits): a clock face
with a green tick on it, on pure red, which the wizard shows in the colour of the
button face. The outer edges stay hard (a pixel is red or not), so no pink fringe
shows once the red is replaced; inside the picture the edges are smoothed.

Standard library only; rerun after changing a shape:
    python3 setup/lang/images/finish.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
WIDTH, HEIGHT = 164, 314
SS = 4  # samples per pixel side

RED = (255, 0, 0)  # the background: the wizard maps it to the button face
TEAL = (0x0F, 0x76, 0x6E)
WHITE = (0xFF, 0xFF, 0xFF)
NAVY = (0x1E, 0x29, 0x3B)
GREEN = (0x16, 0xA3, 0x4A)
SHADE = (0xE2, 0xE8, 0xF0)

CX, CY, R = 82.0, 118.0, 66.0  # the clock face
BX, BY, BR = 124.0, 170.0, 22.0  # the tick's badge


def near_segment(x, y, x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - x0 - t * dx, y - y0 - t * dy) <= width / 2


def colour_at(x, y):
    """The colour at a point, None for the background."""
    d_badge = math.hypot(x - BX, y - BY)
    if d_badge <= BR:
        if near_segment(x, y, BX - 11, BY + 1, BX - 3, BY + 9, 6) or \
           near_segment(x, y, BX - 3, BY + 9, BX + 11, BY - 8, 6):
            return WHITE
        return GREEN
    if d_badge <= BR + 4:
        return WHITE
    d = math.hypot(x - CX, y - CY)
    if d > R:
        return None
    inner = R - 9
    if d > inner:
        return TEAL
    if d <= 5:
        return TEAL
    if near_segment(x, y, CX, CY, CX - 22, CY - 17, 8):  # hour hand, ten past ten
        return NAVY
    if near_segment(x, y, CX, CY, CX + 20, CY - 36, 6):  # minute hand
        return NAVY
    for hour in range(12):
        a = math.radians(hour * 30)
        long_tick = hour % 3 == 0
        t0 = inner - (11 if long_tick else 7)
        if near_segment(x, y, CX + math.sin(a) * t0, CY - math.cos(a) * t0,
                        CX + math.sin(a) * (inner - 3), CY - math.cos(a) * (inner - 3),
                        5 if long_tick else 3):
            return NAVY
    return WHITE if d < inner - 3 else SHADE


def pixel(px, py):
    samples = [colour_at(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS)
               for sy in range(SS) for sx in range(SS)]
    inside = [s for s in samples if s is not None]
    if len(inside) * 2 < len(samples):
        return RED
    return tuple(round(sum(s[i] for s in inside) / len(inside)) for i in range(3))


def write_bmp(path, rows):
    stride = (WIDTH * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def main():
    rows = [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    write_bmp(os.path.join(HERE, "finish.bmp"), rows)


if __name__ == "__main__":
    main()
