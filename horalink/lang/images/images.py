#!/usr/bin/env python3
"""Draws horalink's images: the tool bar strips (16 and 24 pixels, 32-bit with
alpha), the program icon and the four notification-area icons (normal, suspended,
error, attention), all as a clock face, and the status list's seven row icons.

The canvas, the basic shapes and the file writers are the toolkit's (tests/tools/
toolkitdemo_images.py); rerun after changing a shape:
    python3 horalink/lang/images/images.py
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tests", "tools"))

import toolkitdemo_images as toolkit  # noqa: E402
from toolkitdemo_images import (circle, ring, segment, rrect, polygon, arrow_head,  # noqa: E402
                                draw_pause, draw_settings,
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


# ---------------------------------------------------------------- status list

def dot(c, colour):
    c.fill(circle(12, 12, 9.5), WHITE)
    c.fill(circle(12, 12, 8.0), colour)


def draw_list_plain(c):
    c.fill(circle(12, 12, 3.2), GREY)


def draw_list_alert(c):
    dot(c, RED)
    c.fill(segment(12, 6.8, 12, 13.2, 2.6), WHITE)
    c.fill(circle(12, 16.8, 1.5), WHITE)


def draw_list_busy(c):
    circling_arrows(c)


def draw_list_suspended(c):
    dot(c, ORANGE)
    c.fill(rrect(8.2, 7.0, 10.8, 17.0, 0.6), WHITE)
    c.fill(rrect(13.2, 7.0, 15.8, 17.0, 0.6), WHITE)


def draw_list_exact(c):
    dot(c, GREEN)
    c.fill(segment(7.6, 12.4, 10.8, 15.6, 2.4), WHITE)
    c.fill(segment(10.8, 15.6, 16.6, 8.6, 2.4), WHITE)


def draw_list_close(c):
    dot(c, AMBER)
    c.fill(segment(7.5, 12, 16.5, 12, 2.6), WHITE)


def draw_list_notyet(c):
    dot(c, GREY)
    c.fill(ring(12, 9.6, 3.2, 2.2, 110, 200), WHITE)
    c.fill(segment(12, 12.8, 12, 14.4, 2.2), WHITE)
    c.fill(circle(12, 17.4, 1.4), WHITE)


# ---------------------------------------------------------------- tool bar

def circling_arrows(c):
    c.fill(ring(12, 12, 7.8, 2.6, 140, 200), BLUE)
    c.fill(ring(12, 12, 7.8, 2.6, 320, 20), BLUE)
    c.fill(arrow_head(12, 12, 7.8, 125, 4.6), BLUE)
    c.fill(arrow_head(12, 12, 7.8, 305, 4.6), BLUE)


def draw_check_now(c):
    circling_arrows(c)
    c.fill(circle(12, 12, 2.0), SLATE)


def draw_adjust(c):
    clock_face(c, TEAL, cx=10.5, cy=10.5, r=8.8)
    badge(c, GREEN, 17.8, 17.8, 5.4)
    c.fill(segment(15.2, 18.0, 17.2, 20.0, 1.7), WHITE)
    c.fill(segment(17.2, 20.0, 20.6, 15.8, 1.7), WHITE)


def draw_stop_alarm(c):
    bell = polygon([(12, 3.2), (16.8, 6.5), (17.5, 14.5), (20, 17.5), (4, 17.5), (6.5, 14.5),
                    (7.2, 6.5)])
    c.fill(bell, AMBER)
    c.fill(circle(12, 19.6, 2.0), AMBER)
    c.fill(segment(3.5, 3.5, 20.5, 20.5, 4.2), WHITE)
    c.fill(segment(3.5, 3.5, 20.5, 20.5, 2.2), RED)


def draw_help(c):
    c.fill(circle(12, 12, 10.5), BLUE)
    c.fill(ring(12, 9.3, 3.4, 2.3, 110, 200), WHITE)
    c.fill(segment(12, 12.7, 12, 14.6, 2.3), WHITE)
    c.fill(circle(12, 18.0, 1.5), WHITE)


# The order is the image index the program gives each tool bar button.
TOOLBAR = [draw_check_now, draw_adjust, draw_pause, draw_stop_alarm, draw_settings,
           draw_help]


# ---------------------------------------------------------------- files

if __name__ == "__main__":
    # The toolkit's writers, pointed at this folder and these shapes.
    toolkit.HERE = HERE
    toolkit.TOOLBAR = TOOLBAR
    toolkit.write_strip("toolbar16.bmp", 16)
    toolkit.write_strip("toolbar24.bmp", 24)
    toolkit.write_icon("horalink.ico", draw_program)
    toolkit.write_icon("traynormal.ico", draw_tray_normal)
    toolkit.write_icon("traysuspended.ico", draw_tray_suspended)
    toolkit.write_icon("trayerror.ico", draw_tray_error)
    toolkit.write_icon("trayattention.ico", draw_tray_attention)
    for name, shape in [("listplain", draw_list_plain), ("listalert", draw_list_alert),
                        ("listbusy", draw_list_busy), ("listsuspended", draw_list_suspended),
                        ("listexact", draw_list_exact), ("listclose", draw_list_close),
                        ("listnotyet", draw_list_notyet)]:
        toolkit.write_icon(name + ".ico", shape)
