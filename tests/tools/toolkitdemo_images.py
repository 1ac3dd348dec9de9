#!/usr/bin/env python3
"""Draws the toolkit demo's images: the tool bar strips (16 and 24 pixels, 32-bit
with alpha) and the program and alert icons (16 and 32 pixels).

The shapes are described on a 24-unit grid and rendered with 8x8 supersampling,
so both sizes come out smooth; rerun after changing a shape:
    python3 tests/tools/toolkitdemo_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 8  # samples per pixel side


class CANVAS:
    def __init__(self, size):
        self.size = size
        self.k = size / 24.0
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, inside, colour, opacity=1.0):
        """Paints colour over every pixel by the share of samples inside the shape."""
        r, g, b = colour
        n = self.size
        for y in range(n):
            for x in range(n):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        u = (x + (sx + 0.5) / SS) / self.k
                        v = (y + (sy + 0.5) / SS) / self.k
                        if inside(u, v):
                            hits += 1
                if not hits:
                    continue
                a = opacity * hits / (SS * SS)
                pr, pg, pb, pa = self.px[y][x]
                na = a + pa * (1 - a)
                if na <= 0:
                    continue
                mix = lambda c, pc: (c * a + pc * pa * (1 - a)) / na
                self.px[y][x] = (mix(r, pr), mix(g, pg), mix(b, pb), na)

    def rows_bgra(self):
        """Bottom-up rows of straight (not premultiplied) BGRA bytes."""
        out = []
        for y in reversed(range(self.size)):
            row = bytearray()
            for r, g, b, a in self.px[y]:
                row += bytes((round(b), round(g), round(r), round(a * 255)))
            out.append(bytes(row))
        return out


# ---------------------------------------------------------------- shapes (24-unit grid)

def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def ring(cx, cy, r, w, gap_from=None, gap_to=None):
    """An annulus of width w; the angular gap (degrees, 0 = right, clockwise) stays empty."""
    def inside(u, v):
        d = math.hypot(u - cx, v - cy)
        if abs(d - r) > w / 2:
            return False
        if gap_from is None:
            return True
        a = math.degrees(math.atan2(v - cy, u - cx)) % 360
        lo, hi = gap_from % 360, gap_to % 360
        return not (lo <= a <= hi if lo <= hi else (a >= lo or a <= hi))
    return inside


def segment(x1, y1, x2, y2, w):
    """A stroke with round caps."""
    def inside(u, v):
        dx, dy = x2 - x1, y2 - y1
        t = ((u - x1) * dx + (v - y1) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(u - (x1 + t * dx), v - (y1 + t * dy)) <= w / 2
    return inside


def rrect(x1, y1, x2, y2, r):
    def inside(u, v):
        if not (x1 <= u <= x2 and y1 <= v <= y2):
            return False
        cx = min(max(u, x1 + r), x2 - r)
        cy = min(max(v, y1 + r), y2 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(u, v):
        c = False
        j = len(points) - 1
        for i in range(len(points)):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > v) != (yj > v) and u < (xj - xi) * (v - yi) / (yj - yi) + xi:
                c = not c
            j = i
        return c
    return inside


def union(*shapes):
    return lambda u, v: any(s(u, v) for s in shapes)


def minus(a, b):
    return lambda u, v: a(u, v) and not b(u, v)


# ---------------------------------------------------------------- colours

BLUE = (0x25, 0x63, 0xEB)
TEAL = (0x0D, 0x94, 0x88)
ORANGE = (0xEA, 0x85, 0x0C)
RED = (0xDC, 0x26, 0x26)
SLATE = (0x47, 0x55, 0x69)
GREEN = (0x16, 0xA3, 0x4A)
WHITE = (0xFF, 0xFF, 0xFF)
PAPER = (0xF8, 0xFA, 0xFC)


def arrow_head(cx, cy, r, angle, size):
    """A triangle on the circle at angle (degrees), pointing clockwise."""
    a = math.radians(angle)
    px, py = cx + r * math.cos(a), cy + r * math.sin(a)
    tx, ty = -math.sin(a), math.cos(a)      # clockwise tangent
    nx, ny = math.cos(a), math.sin(a)       # outward normal
    return polygon([(px + tx * size * 1.1, py + ty * size * 1.1),
                    (px - nx * size - tx * 0.6, py - ny * size - ty * 0.6),
                    (px + nx * size - tx * 0.6, py + ny * size - ty * 0.6)])


def draw_sync(c):
    c.fill(ring(12, 12, 7.5, 2.6, 140, 200), BLUE)
    c.fill(ring(12, 12, 7.5, 2.6, 320, 20), BLUE)
    c.fill(arrow_head(12, 12, 7.5, 125, 4.6), BLUE)
    c.fill(arrow_head(12, 12, 7.5, 305, 4.6), BLUE)


def draw_clock(c):
    c.fill(circle(12, 12, 10.5), TEAL)
    c.fill(circle(12, 12, 8.3), WHITE)
    c.fill(segment(12, 12, 12, 6.2, 2.0), SLATE)
    c.fill(segment(12, 12, 16.2, 14.2, 2.0), SLATE)
    c.fill(circle(12, 12, 1.5), TEAL)


def draw_settings(c):
    for y, knob in ((6, 15.5), (12, 8.5), (18, 13.5)):
        c.fill(segment(3.5, y, 20.5, y, 2.0), SLATE)
        c.fill(circle(knob, y, 3.4), BLUE)
        c.fill(circle(knob, y, 1.5), WHITE)


def draw_pause(c):
    c.fill(rrect(5, 4, 10, 20, 1.5), ORANGE)
    c.fill(rrect(14, 4, 19, 20, 1.5), ORANGE)


def draw_list(c):
    c.fill(rrect(2.5, 3, 21.5, 21, 2.5), SLATE)
    c.fill(rrect(4.5, 5, 19.5, 19, 1.2), PAPER)
    for y in (8.5, 12, 15.5):
        c.fill(circle(7.5, y, 1.3), TEAL)
        c.fill(segment(10.5, y, 16.5, y, 1.6), SLATE)


def draw_server(c):
    for top in (3, 13):
        c.fill(rrect(3, top, 21, top + 8, 2), SLATE)
        c.fill(circle(7, top + 4, 1.5), GREEN)
        c.fill(segment(11, top + 4, 17.5, top + 4, 1.6), PAPER, 0.85)


def draw_help(c):
    c.fill(circle(12, 12, 10.5), BLUE)
    c.fill(circle(12, 6.8, 1.8), WHITE)
    c.fill(rrect(10.3, 10, 13.7, 18.5, 1.2), WHITE)


def draw_exit(c):
    c.fill(ring(12, 13, 8, 2.6, 235, 305), RED)
    c.fill(segment(12, 2.8, 12, 12, 2.6), RED)


TOOLBAR = [draw_sync, draw_clock, draw_settings, draw_pause, draw_list, draw_server,
           draw_help, draw_exit]


def draw_app_icon(c):
    draw_clock(c)


def draw_alert_icon(c):
    draw_clock(c)
    c.fill(circle(18, 18, 6), WHITE)
    c.fill(circle(18, 18, 5), RED)
    c.fill(segment(18, 15.2, 18, 18.3, 1.8), WHITE)
    c.fill(circle(18, 20.8, 1.0), WHITE)


# ---------------------------------------------------------------- file formats

def dib_header(width, height):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, width * height * 4,
                       2835, 2835, 0, 0)


def write_strip(name, size):
    canvases = []
    for draw in TOOLBAR:
        c = CANVAS(size)
        draw(c)
        canvases.append(c)
    rows = []
    per = [c.rows_bgra() for c in canvases]
    for y in range(size):
        rows.append(b"".join(p[y] for p in per))
    width = size * len(TOOLBAR)
    pixels = b"".join(rows)
    info = dib_header(width, size)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + info + pixels)


def icon_image(draw, size):
    c = CANVAS(size)
    draw(c)
    xor = b"".join(c.rows_bgra())
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if c.px[y][x][3] < 0.5:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask),
                       0, 0, 0, 0)
    return info + xor + bytes(mask)


def write_icon(name, draw):
    images = [(s, icon_image(draw, s)) for s in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    write_strip("toolkitdemo_16.bmp", 16)
    write_strip("toolkitdemo_24.bmp", 24)
    write_icon("toolkitdemo.ico", draw_app_icon)
    write_icon("toolkitdemo_alert.ico", draw_alert_icon)
