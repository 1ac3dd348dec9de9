#!/usr/bin/env python3
"""Draws horalink's images: the tool bar strips (16 and 24 pixels, 32-bit with
alpha), the program icon and the four notification-area icons (normal, suspended,
error, attention), all as a clock face.

The shapes and the supersampling canvas are the toolkit's (tests/tools/
toolkitdemo_images.py); rerun after changing a shape:
    python3 horalink/lang/images/images.py
"""
import math
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tests", "tools"))

from toolkitdemo_images import (CANVAS, circle, ring, segment, rrect, polygon,  # noqa: E402
                                arrow_head, dib_header, icon_image,
                                BLUE, TEAL, ORANGE, RED, SLATE, GREEN, WHITE, PAPER)

AMBER = (0xF5, 0x9E, 0x0B)
GREY = (0x94, 0xA3, 0xB8)
NAVY = (0x1E, 0x29, 0x3B)
YELLOW = (0xFD, 0xE0, 0x47)


# ---------------------------------------------------------------- the clock face

def clock_face(c, rim, face=WHITE, hands=NAVY, cx=12, cy=12, r=10.8):
    """A round clock: rim, face, twelve ticks, hands at ten past ten."""
    c.fill(circle(cx, cy, r), rim)
    inner = r - 2.2
    c.fill(circle(cx, cy, inner), face)
    for hour in range(12):
        a = math.radians(hour * 30)
        long_tick = hour % 3 == 0
        t0 = inner - (2.0 if long_tick else 1.2)
        c.fill(segment(cx + math.sin(a) * t0, cy - math.cos(a) * t0,
                       cx + math.sin(a) * (inner - 0.5), cy - math.cos(a) * (inner - 0.5),
                       1.1 if long_tick else 0.7), hands, 0.55 if not long_tick else 0.9)
    c.fill(segment(cx, cy, cx - 3.3, cy - 2.6, 1.9), hands)       # hour hand
    c.fill(segment(cx, cy, cx + 3.2, cy - 5.4, 1.5), hands)       # minute hand
    c.fill(circle(cx, cy, 1.4), rim)


def badge(c, colour, cx=17.5, cy=17.5, r=6.2):
    c.fill(circle(cx, cy, r + 1.0), WHITE)
    c.fill(circle(cx, cy, r), colour)


# ---------------------------------------------------------------- icons

def draw_program(c):
    clock_face(c, TEAL)


def draw_tray_normal(c):
    clock_face(c, TEAL)


def draw_tray_suspended(c):
    clock_face(c, GREY, PAPER, SLATE)
    badge(c, ORANGE)
    c.fill(rrect(15.0, 14.3, 16.7, 20.7, 0.5), WHITE)
    c.fill(rrect(18.3, 14.3, 20.0, 20.7, 0.5), WHITE)


def draw_tray_error(c):
    clock_face(c, TEAL)
    badge(c, RED)
    c.fill(segment(15.2, 15.2, 19.8, 19.8, 1.9), WHITE)
    c.fill(segment(19.8, 15.2, 15.2, 19.8, 1.9), WHITE)


def draw_tray_attention(c):
    # The blinking phase: the whole face lights up, so the change shows at 16 pixels.
    clock_face(c, RED, YELLOW, NAVY)
    badge(c, RED)
    c.fill(segment(17.5, 14.2, 17.5, 18.4, 1.9), WHITE)
    c.fill(circle(17.5, 20.9, 1.05), WHITE)


# ---------------------------------------------------------------- tool bar

def draw_check_now(c):
    c.fill(ring(12, 12, 7.8, 2.6, 140, 200), BLUE)
    c.fill(ring(12, 12, 7.8, 2.6, 320, 20), BLUE)
    c.fill(arrow_head(12, 12, 7.8, 125, 4.6), BLUE)
    c.fill(arrow_head(12, 12, 7.8, 305, 4.6), BLUE)
    c.fill(circle(12, 12, 2.0), SLATE)


def draw_adjust(c):
    clock_face(c, TEAL, cx=10.5, cy=10.5, r=8.8)
    badge(c, GREEN, 17.8, 17.8, 5.4)
    c.fill(segment(15.2, 18.0, 17.2, 20.0, 1.7), WHITE)
    c.fill(segment(17.2, 20.0, 20.6, 15.8, 1.7), WHITE)


def draw_suspend(c):
    c.fill(rrect(5.5, 4, 10.5, 20, 1.5), ORANGE)
    c.fill(rrect(13.5, 4, 18.5, 20, 1.5), ORANGE)


def draw_stop_alarm(c):
    bell = polygon([(12, 3.2), (16.8, 6.5), (17.5, 14.5), (20, 17.5), (4, 17.5), (6.5, 14.5),
                    (7.2, 6.5)])
    c.fill(bell, AMBER)
    c.fill(circle(12, 19.6, 2.0), AMBER)
    c.fill(segment(3.5, 3.5, 20.5, 20.5, 4.2), WHITE)
    c.fill(segment(3.5, 3.5, 20.5, 20.5, 2.2), RED)


def draw_settings(c):
    for y, knob in ((6, 15.5), (12, 8.5), (18, 13.5)):
        c.fill(segment(3.5, y, 20.5, y, 2.0), SLATE)
        c.fill(circle(knob, y, 3.4), BLUE)
        c.fill(circle(knob, y, 1.5), WHITE)


def draw_data_folder(c):
    c.fill(rrect(2.5, 5, 11, 10, 1.5), AMBER)
    c.fill(rrect(2.5, 7, 21.5, 20, 1.8), AMBER)
    c.fill(rrect(2.5, 9.5, 21.5, 20, 1.8), YELLOW)


def draw_help(c):
    c.fill(circle(12, 12, 10.5), BLUE)
    c.fill(ring(12, 9.3, 3.4, 2.3, 110, 200), WHITE)
    c.fill(segment(12, 12.7, 12, 14.6, 2.3), WHITE)
    c.fill(circle(12, 18.0, 1.5), WHITE)


def draw_exit(c):
    c.fill(ring(12, 13, 8, 2.6, 235, 305), RED)
    c.fill(segment(12, 2.8, 12, 12, 2.6), RED)


def draw_about(c):
    c.fill(circle(12, 12, 10.5), TEAL)
    c.fill(circle(12, 6.8, 1.8), WHITE)
    c.fill(rrect(10.3, 10, 13.7, 18.5, 1.2), WHITE)


def draw_web(c):
    inside = circle(12, 12, 8.4)
    c.fill(circle(12, 12, 10.2), BLUE)
    c.fill(inside, PAPER)
    lines = (lambda u, v: abs(((u - 12) / 4.2) ** 2 + ((v - 12) / 8.4) ** 2 - 1) < 0.2,
             lambda u, v: abs(v - 12) < 0.75,
             lambda u, v: abs(v - 7.4) < 0.65,
             lambda u, v: abs(v - 16.6) < 0.65,
             lambda u, v: abs(u - 12) < 0.75)
    for line in lines:
        c.fill(lambda u, v, f=line: f(u, v) and inside(u, v), BLUE)


def draw_tip(c):
    c.fill(circle(12, 9.5, 6.8), YELLOW)
    c.fill(ring(12, 9.5, 6.8, 1.4), AMBER)
    c.fill(rrect(9, 15, 15, 18.5, 0.8), AMBER)
    c.fill(rrect(9.5, 18.8, 14.5, 21.2, 0.8), SLATE)
    c.fill(segment(10.3, 9.5, 12, 12.5, 1.0), AMBER)
    c.fill(segment(13.7, 9.5, 12, 12.5, 1.0), AMBER)


# The order is the image index the program gives each tool bar button.
TOOLBAR = [draw_check_now, draw_adjust, draw_suspend, draw_stop_alarm, draw_settings,
           draw_data_folder, draw_help, draw_exit, draw_about, draw_web, draw_tip]


# ---------------------------------------------------------------- files

def write_strip(name, size):
    per = []
    for draw in TOOLBAR:
        c = CANVAS(size)
        draw(c)
        per.append(c.rows_bgra())
    pixels = b"".join(b"".join(p[y] for p in per) for y in range(size))
    info = dib_header(size * len(TOOLBAR), size)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(head + info + pixels)


def write_icon(name, draw, sizes):
    images = [(s, icon_image(draw, s)) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    write_strip("toolbar16.bmp", 16)
    write_strip("toolbar24.bmp", 24)
    write_icon("horalink.ico", draw_program, (16, 24, 32, 48))
    write_icon("traynormal.ico", draw_tray_normal, (16, 32))
    write_icon("traysuspended.ico", draw_tray_suspended, (16, 32))
    write_icon("trayerror.ico", draw_tray_error, (16, 32))
    write_icon("trayattention.ico", draw_tray_attention, (16, 32))
