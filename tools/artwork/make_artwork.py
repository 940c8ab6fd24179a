#!/usr/bin/env python3
"""Draws Tarvex's artwork and writes it into resources/.

Makes the program icon (Tarvex.ico: 16, 32 and 48 pixels, 32-bit BMP entries with alpha),
the image strips ImageList32.bmp (5 x 32 x 32), ImageList16LeftMenu.bmp (5 x 16 x 16) and
ImageList16Progress.bmp (6 x 16 x 16), the pictures PictureSettings.png,
PictureSupport.png (32 x 32) and Logo.png (64 x 64), the header panel's colour strips,
backgrounds, textures and shadow lines, the other panel pictures, and the update wizard's
side picture (162 x 329) and error sign (32 x 32).

Shapes are signed distance functions evaluated at pixel centres, which gives exact
anti-aliasing at every size without supersampling. Standard library only, deterministic
output (same bytes on every run).

Strip layout: 32-bit BI_RGB bottom-up DIB, images side by side left to right, straight
(not premultiplied) alpha, fully transparent pixels are 0,0,0,0. Load with
LoadImageW(..., LR_CREATEDIBSECTION) and ImageList_Add into an ILC_COLOR32 list.

Usage: python3 tools/artwork/make_artwork.py [--out DIR] [--preview FILE.png]
"""

import argparse
import math
import os
import struct
import zlib

# ---------------------------------------------------------------------------------------
# Palette (RGB). The blues are the side panel's colours.
BLUE_DARK = (33, 93, 198)
BLUE_MID = (122, 161, 230)
BLUE_LIGHT = (214, 223, 247)
BLUE_PALE = (239, 243, 255)
BLUE_DEEP = (20, 58, 138)
BLUE_SKY = (92, 150, 238)
NAVY = (16, 34, 76)
WHITE = (255, 255, 255)
GREY_LIGHT = (206, 211, 219)
GREY = (150, 157, 168)
GREY_DARK = (96, 103, 115)
GREEN = (60, 190, 90)
GREEN_DARK = (24, 122, 52)
GREEN_LIGHT = (140, 230, 130)
AMBER = (252, 196, 56)
ORANGE = (246, 132, 36)
RED = (226, 64, 52)
RED_DARK = (158, 30, 26)
GOLD = (232, 182, 60)
GOLD_DARK = (170, 120, 30)


def rgba(color, alpha=255):
    return (color[0], color[1], color[2], alpha)


# ---------------------------------------------------------------------------------------
# Shapes: a signed distance function in design units (negative inside) and a bounding box.


class Shape:
    def __init__(self, dist, box):
        self.dist = dist
        self.box = box

    def __or__(self, other):
        a, b = self.dist, other.dist
        return Shape(lambda x, y: min(a(x, y), b(x, y)), _box_union(self.box, other.box))

    def __and__(self, other):
        a, b = self.dist, other.dist
        return Shape(lambda x, y: max(a(x, y), b(x, y)), _box_intersect(self.box, other.box))

    def __sub__(self, other):
        a, b = self.dist, other.dist
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.box)

    def stroke(self, width):
        a, h = self.dist, width / 2
        return Shape(lambda x, y: abs(a(x, y)) - h, _box_grow(self.box, h))

    def grow(self, amount):
        a = self.dist
        return Shape(lambda x, y: a(x, y) - amount, _box_grow(self.box, amount))

    def moved(self, dx, dy):
        a = self.dist
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: a(x - dx, y - dy), (x0 + dx, y0 + dy, x1 + dx, y1 + dy))

    def rotated(self, degrees, cx, cy):
        a = self.dist
        c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))

        def dist(x, y):
            px, py = x - cx, y - cy
            return a(cx + px * c + py * s, cy - px * s + py * c)

        x0, y0, x1, y1 = self.box
        reach = max(math.hypot(bx - cx, by - cy) for bx in (x0, x1) for by in (y0, y1))
        return Shape(dist, (cx - reach, cy - reach, cx + reach, cy + reach))


def _box_union(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


def _box_intersect(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def _box_grow(a, d):
    return (a[0] - d, a[1] - d, a[2] + d, a[3] + d)


def union(*shapes):
    dists = [s.dist for s in shapes]
    box = shapes[0].box
    for s in shapes[1:]:
        box = _box_union(box, s.box)
    return Shape(lambda x, y: min(d(x, y) for d in dists), box)


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def rect(x0, y0, x1, y1, radius=0.0):
    cx, cy, hw, hh = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2
    radius = min(radius, hw, hh)

    def dist(x, y):
        qx = abs(x - cx) - hw + radius
        qy = abs(y - cy) - hh + radius
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius

    return Shape(dist, (x0, y0, x1, y1))


def _segment_dist(x, y, ax, ay, bx, by):
    ex, ey = bx - ax, by - ay
    wx, wy = x - ax, y - ay
    length2 = ex * ex + ey * ey
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, (wx * ex + wy * ey) / length2))
    return math.hypot(wx - ex * t, wy - ey * t)


def line(points, width):
    """A stroked polyline with round caps and joins."""
    h = width / 2
    segs = list(zip(points, points[1:]))

    def dist(x, y):
        return min(_segment_dist(x, y, a[0], a[1], b[0], b[1]) for a, b in segs) - h

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(dist, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


def polygon(points):
    n = len(points)

    def dist(x, y):
        best = float("inf")
        sign = 1.0
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            best = min(best, _segment_dist(x, y, ax, ay, bx, by))
            if (ay <= y) != (by <= y):
                if x < ax + (y - ay) * (bx - ax) / (by - ay):
                    sign = -sign
        return -best if sign < 0 else best

    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(dist, (min(xs), min(ys), max(xs), max(ys)))


def _polar(cx, cy, r, degrees):
    """Point on a circle; angles count counter-clockwise from 3 o'clock, as on paper."""
    a = math.radians(degrees)
    return cx + r * math.cos(a), cy - r * math.sin(a)


def arc(cx, cy, r, start, end, width):
    """A stroked arc with round caps, from angle start counter-clockwise to angle end."""
    h = width / 2
    sweep = (end - start) % 360 or 360
    p0, p1 = _polar(cx, cy, r, start), _polar(cx, cy, r, end)

    def dist(x, y):
        angle = math.degrees(math.atan2(cy - y, x - cx))
        if (angle - start) % 360 <= sweep:
            return abs(math.hypot(x - cx, y - cy) - r) - h
        return min(math.hypot(x - p0[0], y - p0[1]), math.hypot(x - p1[0], y - p1[1])) - h

    return Shape(dist, (cx - r - h, cy - r - h, cx + r + h, cy + r + h))


def sector(cx, cy, r, start, end):
    """A pie slice, for cutting rings into segments."""
    pts = [(cx, cy)]
    steps = max(2, int(abs(end - start) / 10))
    for i in range(steps + 1):
        pts.append(_polar(cx, cy, r, start + (end - start) * i / steps))
    return polygon(pts)


def gear(cx, cy, body, tip, teeth, tooth_width, hole):
    tooth = rect(cx - tooth_width / 2, cy - tip, cx + tooth_width / 2, cy, tooth_width * 0.25)
    parts = [circle(cx, cy, body)] + [tooth.rotated(360 * i / teeth, cx, cy) for i in range(teeth)]
    shape = union(*parts)
    return shape - circle(cx, cy, hole) if hole > 0 else shape


# ---------------------------------------------------------------------------------------
# Paints: colour as a function of the design position.


def _mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


def _stops_at(stops, t):
    stops = [(p, c if len(c) == 4 else rgba(c)) for p, c in stops]
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return _mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 1.0)
    return stops[-1][1]


def solid(color, alpha=255):
    c = rgba(color, alpha) if len(color) == 3 else color
    return lambda x, y: c


def linear(x0, y0, x1, y1, stops):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    return lambda x, y: _stops_at(stops, ((x - x0) * dx + (y - y0) * dy) / length2)


def vertical(y0, y1, top, bottom):
    return linear(0, y0, 0, y1, [(0, top), (1, bottom)])


def radial(cx, cy, r, stops):
    return lambda x, y: _stops_at(stops, math.hypot(x - cx, y - cy) / r)


def conic(cx, cy, start, stops):
    """Colour by angle, going clockwise from angle start over the given degrees. Angles in the gap
    after the last stop take the nearer end's colour, so round caps do not wrap around."""
    slack = (360 - stops[-1][0]) / 2

    def paint(x, y):
        t = (start - math.degrees(math.atan2(cy - y, x - cx)) + slack) % 360 - slack
        return _stops_at(stops, t)

    return paint


# ---------------------------------------------------------------------------------------
# Canvas: premultiplied float RGBA, drawn in design units of `design` per image side.


class Canvas:
    def __init__(self, size, design=32.0):
        self.size = size
        self.scale = size / design
        self.data = [0.0] * (size * size * 4)

    def px(self, pixels):
        """A length of so many device pixels, in design units."""
        return pixels / self.scale

    def fill(self, shape, paint, opacity=1.0, blur=0.0):
        """Paints the shape; blur (device pixels) softens the edge, for shadows and glows."""
        s = self.scale
        x0, y0, x1, y1 = shape.box
        margin = 1 + blur
        ix0 = max(0, int(math.floor(x0 * s - margin)))
        iy0 = max(0, int(math.floor(y0 * s - margin)))
        ix1 = min(self.size, int(math.ceil(x1 * s + margin)))
        iy1 = min(self.size, int(math.ceil(y1 * s + margin)))
        dist, data, width = shape.dist, self.data, 1.0 + 2 * blur
        for iy in range(iy0, iy1):
            y = (iy + 0.5) / s
            row = iy * self.size
            for ix in range(ix0, ix1):
                x = (ix + 0.5) / s
                cover = 0.5 - dist(x, y) * s / width
                if cover <= 0:
                    continue
                if cover > 1:
                    cover = 1.0
                r, g, b, a = paint(x, y)
                a = a / 255.0 * cover * opacity
                if a <= 0:
                    continue
                i = (row + ix) * 4
                keep = 1.0 - a
                data[i] = r / 255.0 * a + data[i] * keep
                data[i + 1] = g / 255.0 * a + data[i + 1] * keep
                data[i + 2] = b / 255.0 * a + data[i + 2] * keep
                data[i + 3] = a + data[i + 3] * keep

    def framed(self, shape, edge, inside, width=1.0):
        """Fills the shape with an edge of `width` device pixels around a differently painted inside."""
        self.fill(shape, edge)
        inner = shape.grow(-self.px(width))
        self.fill(inner, inside)
        return inner

    def shadow(self, shape, opacity=0.28, dy=None):
        """A soft drop shadow below the shape; only where the image is large enough to show it."""
        if self.size < 24:
            return
        dy = self.px(1) if dy is None else dy
        self.fill(shape.moved(0, dy), solid((0, 20, 60)), opacity, blur=self.size / 32)

    def pixels(self):
        """Straight-alpha 8-bit RGBA rows, top row first; transparent pixels are all zero."""
        out = []
        for y in range(self.size):
            row = bytearray()
            for x in range(self.size):
                i = (y * self.size + x) * 4
                a = self.data[i + 3]
                alpha = int(round(min(1.0, a) * 255))
                if alpha == 0:
                    row += b"\0\0\0\0"
                    continue
                row += bytes(min(255, int(round(self.data[i + k] / a * 255))) for k in range(3))
                row.append(alpha)
            out.append(bytes(row))
        return out


# ---------------------------------------------------------------------------------------
# The drawings. Every drawing works in a 32 x 32 design space and adapts its details to
# the pixel size, so that 16-pixel images stay crisp and uncluttered.


def draw_gauge(c, ticks=None):
    """A speedometer with its needle in the fast zone: the product's accelerate symbol."""
    small = c.size < 24
    cx, cy = 16.0, 16.5
    outer = 15.0 if small else 14.5
    dial = circle(cx, cy, outer)
    c.shadow(dial)
    c.fill(dial, vertical(cy - outer, cy + outer, BLUE_DARK, BLUE_DEEP))
    if small:
        # One crisp pixel of rim leaves room for a readable dial.
        face_r = outer - c.px(1.25)
    else:
        c.fill(circle(cx, cy, outer - c.px(0.8)), vertical(cy - outer, cy + outer, BLUE_SKY, BLUE_DARK))
        face_r = outer - max(1.6, c.px(1.2)) - c.px(0.6)
    c.fill(circle(cx, cy, face_r), radial(cx, cy - 4, face_r + 4, [(0, WHITE), (0.7, BLUE_PALE), (1, BLUE_LIGHT)]))
    # Speed scale from slow (green) over the top to fast (red).
    scale_r = face_r - (2.4 if small else 2.4)
    scale_w = 3.0 if small else 2.2
    c.fill(arc(cx, cy, scale_r, -30, 210, scale_w),
           conic(cx, cy, 210, [(0, GREEN), (110, AMBER), (180, ORANGE), (240, RED)]))
    if ticks is None:
        ticks = 0 if small else 9
    for i in range(ticks):
        angle = 210 - 240 * i / (ticks - 1)
        inner = scale_r - scale_w / 2 - (2.2 if i % 2 == 0 else 1.4)
        a = _polar(cx, cy, inner, angle)
        b = _polar(cx, cy, scale_r - scale_w / 2 - 0.5, angle)
        c.fill(line([a, b], max(0.55, c.px(0.7))), solid(GREY_DARK))
    # Needle pointing into the fast zone.
    angle = 38
    tip = _polar(cx, cy, scale_r + (0.6 if small else 0.2), angle)
    base = 2.2 if small else 2.0
    left = _polar(cx, cy, base, angle + 90)
    right = _polar(cx, cy, base, angle - 90)
    back = _polar(cx, cy, 2.5, angle + 180)
    if small:
        c.fill(line([(cx, cy), tip], 2.4), solid(RED))
    else:
        needle = polygon([tip, left, back, right])
        c.fill(needle, linear(left[0], left[1], right[0], right[1], [(0, ORANGE), (1, RED_DARK)]))
    hub_r = 2.4 if small else 2.6
    c.fill(circle(cx, cy, hub_r), radial(cx - 0.8, cy - 0.8, hub_r * 1.4, [(0, BLUE_SKY), (1, NAVY)]))
    if not small:
        c.fill(circle(cx - 0.7, cy - 0.7, 0.8), solid(WHITE, 170))
    if c.size >= 48:
        # A soft glass reflection over the upper dial.
        gloss = circle(cx, cy - face_r * 0.9, face_r * 1.05) & circle(cx, cy, face_r)
        c.fill(gloss, vertical(cy - face_r, cy, rgba(WHITE, 110), rgba(WHITE, 0)))


def draw_sliders(c):
    """Three mixer sliders: the advanced settings."""
    small = c.size < 24
    rows = (5.5, 16.0, 26.5)
    knobs = (20.0, 10.0, 23.0)
    track_w = 3.0 if small else 2.6
    knob_r = 4.6 if small else 4.2
    for y, k in zip(rows, knobs):
        track = line([(3.5, y), (28.5, y)], track_w)
        c.fill(track.grow(0 if small else c.px(0.5)), solid(GREY_DARK, 150 if small else 110))
        c.fill(track, solid(GREY_LIGHT))
        c.fill(line([(3.5, y), (k, y)], track_w), linear(0, y - 1, 0, y + 1, [(0, BLUE_SKY), (1, BLUE_DARK)]))
    for y, k in zip(rows, knobs):
        knob = circle(k, y, knob_r)
        c.shadow(knob, 0.3)
        c.framed(knob, vertical(y - knob_r, y + knob_r, BLUE_DARK, BLUE_DEEP),
                 vertical(y - knob_r, y + knob_r, WHITE, BLUE_LIGHT))
        if not small:
            c.fill(circle(k, y, 1.2), solid(BLUE_MID))


def draw_monitor(c):
    """A screen showing a traffic graph: the state of the connection."""
    small = c.size < 24
    frame = rect(1.5, 3.5, 30.5, 24.0, 2.5)
    c.shadow(frame | rect(9, 24, 23, 29.5, 1.2))
    # Stand first, the screen overlaps its neck.
    c.fill(rect(13.0, 22.0, 19.0, 27.5), vertical(22, 27.5, GREY, GREY_DARK))
    c.fill(rect(8.0, 26.5, 24.0, 30.0, 1.5), vertical(26.5, 30, GREY_LIGHT, GREY))
    c.fill(frame, vertical(3.5, 24, BLUE_DARK, BLUE_DEEP))
    inset = 2.0 if small else 2.2
    screen = rect(1.5 + inset, 3.5 + inset, 30.5 - inset, 24.0 - inset, 1.0)
    c.fill(screen, vertical(5, 22, (28, 56, 110), NAVY))
    x0, y0, x1, y1 = screen.box
    if not small:
        for gx in (10.0, 16.0, 22.0):
            c.fill(rect(gx - 0.25, y0, gx + 0.25, y1), solid(BLUE_MID, 60))
        c.fill(rect(x0, 12.75 - 0.25, x1, 12.75 + 0.25), solid(BLUE_MID, 60))
    if small:
        pts = [(x0, 17.5), (8, 16.5), (11, 11), (15, 15), (19, 8), (23, 13), (x1, 9)]
    else:
        pts = [(x0, 18.5), (7, 17), (10, 12.5), (13, 15.5), (17, 8.5), (21, 13.5), (24, 11), (x1, 8)]
    area = polygon(pts + [(x1, y1), (x0, y1)]) & screen
    c.fill(area, vertical(8, y1, rgba(GREEN_LIGHT, 150), rgba(GREEN, 30)))
    c.fill(line(pts, 2.2 if small else 1.6) & screen, solid(GREEN_LIGHT))
    if not small:
        c.fill(rect(2.5, 4.2, 29.5, 5.2, 0.5) & frame, solid(WHITE, 40))


def draw_gear(c, cx=16.0, cy=16.0, scale=1.0, shadow=True):
    """A cog wheel: the program options."""
    small = c.size * scale < 24
    if small:
        # Turned half a tooth so that no tooth sits on a pixel row: crisper at 16 pixels.
        shape = gear(cx, cy, 10.0 * scale, 15.0 * scale, 8, 6.0 * scale, 4.5 * scale).rotated(22.5, cx, cy)
    else:
        shape = gear(cx, cy, 10.0 * scale, 14.5 * scale, 8, 5.0 * scale, 4.6 * scale)
    if shadow:
        c.shadow(shape)
    c.framed(shape, vertical(cy - 14.5 * scale, cy + 14.5 * scale, BLUE_DARK, BLUE_DEEP),
             linear(cx - 10 * scale, cy - 14 * scale, cx + 8 * scale, cy + 14 * scale,
                    [(0, BLUE_LIGHT), (0.45, BLUE_MID), (1, BLUE_DARK)]))
    if not small:
        c.fill(circle(cx, cy, 7.0 * scale).stroke(1.0 * scale), solid(BLUE_DEEP, 70))


def draw_help(c):
    """A question mark in a blue disc."""
    small = c.size < 24
    cx, cy, r = 16.0, 16.0, 15.0 if small else 14.5
    disc = circle(cx, cy, r)
    c.shadow(disc)
    c.framed(disc, vertical(cy - r, cy + r, BLUE_DARK, BLUE_DEEP), linear(8, 2, 24, 30, [(0, BLUE_SKY), (1, BLUE_DARK)]))
    if not small:
        gloss = circle(cx, cy - 7, 11) & circle(cx, cy, r - c.px(1.5))
        c.fill(gloss, vertical(cy - r, cy + 2, rgba(WHITE, 90), rgba(WHITE, 0)))
    w = 4.2 if small else 3.6
    top_y = 12.0
    rad = 5.0 if small else 4.8
    mark = union(
        arc(cx, top_y, rad, -50, 165, w),
        line([_polar(cx, top_y, rad, -50), (cx, top_y + rad + 0.3), (cx, 19.0)], w),
    )
    dot = circle(cx, 24.2, w * 0.6)
    c.fill(mark | dot, solid(WHITE))


def draw_network_card(c):
    """An expansion card with a port, chip and gold contacts."""
    small = c.size < 24
    # Mounting bracket on the left with the cable socket.
    c.framed(rect(0.0, 2.0, 6.0, 30.0, 1.0), solid(GREY_DARK), vertical(2, 30, GREY_LIGHT, GREY))
    c.framed(rect(4.0, 6.0, 32.0, 24.0, 1.5), solid((12, 70, 40)), vertical(6, 24, (40, 150, 90), (20, 104, 62)))
    # Edge connector.
    step = 4.0 if small else 2.5
    x = 12.0
    while x + step / 2 <= 30.0:
        c.fill(rect(x, 24.0, x + step / 2, 28.0), vertical(24, 28, GOLD, GOLD_DARK))
        x += step
    # Controller chip.
    c.fill(rect(14.0, 9.0, 25.0, 19.0, 1.0), vertical(9, 19, (70, 76, 88), (26, 30, 38)))
    if not small:
        c.fill(circle(16.0, 11.0, 0.7), solid(GREY, 200))
        for y in (8.5, 19.5):
            for i in range(5):
                px = 15.2 + i * 2.1
                c.fill(rect(px, y - 0.6, px + 0.8, y + 0.6), solid(GREY_LIGHT))
    # RJ45 socket on the bracket.
    c.fill(rect(2.0, 8.0, 10.0, 16.0, 0.8), vertical(8, 16, (70, 76, 88), (26, 30, 38)))
    c.fill(rect(4.0, 10.0, 8.0, 14.0, 0.4), solid((10, 12, 16)))
    c.fill(circle(3.0, 19.0, 1.2 if not small else 1.5), solid(GREEN_LIGHT))


def draw_signal(c, coloured):
    """Four rising bars; grey while a task waits, coloured once it is done."""
    # Bars on whole pixels at 16 pixels: 3 wide with a 1-pixel gap.
    top, bottom = (BLUE_SKY, BLUE_DEEP) if coloured else ((190, 195, 203), GREY_DARK)
    for x, h in zip((2.0, 10.0, 18.0, 26.0), (8.0, 14.0, 20.0, 26.0)):
        c.fill(rect(x, 30.0 - h, x + 6.0, 30.0, 1.0), vertical(4, 30, top, bottom))


def draw_hourglass(c):
    """An hourglass with falling sand: the task in progress."""
    top, bottom = 5.0, 27.0
    glass = polygon([(8.0, top), (24.0, top), (24.0, 7.5), (17.6, 16.0), (24.0, 24.5),
                     (24.0, bottom), (8.0, bottom), (8.0, 24.5), (14.4, 16.0), (8.0, 7.5)])
    inner = c.framed(glass, solid(BLUE_DEEP), linear(8, 0, 24, 0, [(0, (225, 236, 252)), (0.5, WHITE), (1, BLUE_LIGHT)]))
    sand = rgba(AMBER)
    c.fill(inner & polygon([(9, 10.0), (23, 10.0), (16, 15.8)]), vertical(10, 16, sand, ORANGE))
    c.fill(inner & polygon([(16, 19.0), (25, 27.0), (7, 27.0)]), vertical(19, 27, sand, ORANGE))
    c.fill(line([(16, 15.5), (16, 23)], 1.6) & inner, solid(ORANGE))
    for y0, y1 in ((2.0, 6.0), (26.0, 30.0)):
        cap = rect(5.0, y0, 27.0, y1, 1.2)
        c.fill(cap, vertical(y0, y1, (150, 96, 52), (98, 58, 28)))


def draw_error(c):
    """A red disc with a white cross: a task that failed."""
    c.framed(circle(16, 16, 15), solid(RED_DARK), linear(8, 2, 24, 30, [(0, (246, 110, 92)), (1, RED)]))
    c.fill(line([(10.5, 10.5), (21.5, 21.5)], 4.4) | line([(21.5, 10.5), (10.5, 21.5)], 4.4), solid(WHITE))


def draw_check(c, cx=0.0, cy=0.0, scale=1.0):
    """A bold green tick: everything is complete."""
    pts = [(cx + 4.0 * scale, cy + 17.0 * scale), (cx + 12.5 * scale, cy + 25.5 * scale),
           (cx + 28.0 * scale, cy + 8.0 * scale)]
    outer = line(pts, 8.0 * scale)
    c.fill(outer, solid(GREEN_DARK))
    c.fill(line(pts, 8.0 * scale - 2 * c.px(1.0)),
           linear(0, cy + 8 * scale, 0, cy + 27 * scale, [(0, GREEN_LIGHT), (1, GREEN)]))


def draw_settings_picture(c):
    """A checklist sheet with a cog: the program options page."""
    sheet = rect(2.0, 1.5, 24.0, 30.0, 2.0)
    c.shadow(sheet)
    c.framed(sheet, solid(BLUE_MID), vertical(1.5, 30, WHITE, BLUE_PALE))
    for i, y in enumerate((7.0, 13.5, 20.0)):
        box = rect(5.5, y - 2.5, 10.5, y + 2.5, 1.0)
        c.framed(box, solid(BLUE_DARK), solid(WHITE))
        if i < 2:
            c.fill(line([(6.8, y), (7.9, y + 1.2), (9.6, y - 1.3)], 1.3), solid(GREEN_DARK))
        c.fill(line([(13.0, y), (20.5 - 3 * i, y)], 1.6), solid(GREY_LIGHT))
    ring = gear(23.0, 23.0, 5.6, 8.3, 8, 3.2, 0)
    c.fill(ring.grow(1.2), solid(WHITE, 230))
    draw_gear(c, 23.0, 23.0, 0.57, shadow=False)


def draw_lifebuoy(c):
    """A lifebuoy: help and support."""
    cx, cy, r_out, r_in = 16.0, 16.0, 14.5, 7.0
    ring = circle(cx, cy, r_out) - circle(cx, cy, r_in)
    c.shadow(ring)
    band = c.framed(ring, solid(BLUE_DEEP), radial(cx - 3, cy - 3, 20, [(0, WHITE), (1, (222, 228, 238))]))
    for start in (20, 110, 200, 290):
        seg = band & sector(cx, cy, r_out + 2, start, start + 50)
        c.fill(seg, linear(4, 4, 28, 28, [(0, BLUE_SKY), (1, BLUE_DARK)]))


def draw_logo(c):
    draw_gauge(c, ticks=13)


# ---------------------------------------------------------------------------------------
# Encoders.


def png_bytes(rows, width, height):
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def _bgra_bottom_up(rows):
    out = bytearray()
    for row in reversed(rows):
        for i in range(0, len(row), 4):
            out += bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
    return bytes(out)


def _info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, image_size, 2835, 2835, 0, 0)


def bmp_bytes(rows, width, height):
    pixels = _bgra_bottom_up(rows)
    offset = 14 + 40
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
            + _info_header(width, height, len(pixels)) + pixels)


def ico_bytes(images):
    """images: list of (size, rows). 32-bit DIB entries with an AND mask for old systems."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, rows in images:
        xor = _bgra_bottom_up(rows)
        stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(stride)
            for x in range(size):
                if row[x * 4 + 3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        blob = _info_header(size, size * 2, len(xor) + len(mask)) + xor + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def strip_rows(images):
    """Joins same-sized images side by side, left to right in index order."""
    return [b"".join(img[y] for img in images) for y in range(len(images[0]))]


def render(draw, size, *args):
    c = Canvas(size)
    draw(c, *args)
    return c.pixels()



# ---------------------------------------------------------------------------------------
# Header and panel pictures (resource type QM_PICTURES). Large pictures are functions of a
# single coordinate where they can be (x + y, x - y, y alone, or a short period in x), so
# that each row repeats or shifts the one above it and zlib keeps the program small.


def _clamp8(v):
    return max(0, min(255, int(round(v))))


def _strip_rows(width, height, top, bottom):
    """A vertical colour strip: rows of RGB triples from top to bottom colour."""
    rows = []
    for y in range(height):
        t = y / (height - 1) if height > 1 else 0.0
        c = bytes(_clamp8(top[k] + (bottom[k] - top[k]) * t) for k in range(3))
        rows.append(c * width)
    return rows


def bmp24_bytes(rows, width, height):
    """24-bit BI_RGB bottom-up DIB file from RGB rows (top row first)."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for i in range(0, width * 3, 3):
            line += bytes((row[i + 2], row[i + 1], row[i]))
        pixels += line + b"\0" * (stride - len(line))
    offset = 14 + 40
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + bytes(pixels)


def bmp8_bytes(rows, width, height):
    """8-bit palette DIB file from RGB rows: each distinct colour gets a palette entry."""
    palette, index_rows = [], []
    for row in rows:
        indices = bytearray()
        for i in range(0, width * 3, 3):
            c = tuple(row[i:i + 3])
            if c not in palette:
                palette.append(c)
            indices.append(palette.index(c))
        index_rows.append(indices)
    assert len(palette) <= 256
    stride = (width + 3) & ~3
    pixels = b"".join(bytes(r) + b"\0" * (stride - width) for r in reversed(index_rows))
    colours = b"".join(bytes((c[2], c[1], c[0], 0)) for c in palette) + b"\0\0\0\0" * (256 - len(palette))
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + info + colours + pixels


def png_rgb_bytes(rows, width, height):
    """PNG without alpha (colour type 2) from RGB rows."""
    raw = b"".join(b"\0" + r for r in rows)

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def _px(color, alpha):
    a = _clamp8(alpha)
    return bytes((color[0], color[1], color[2], a)) if a else b"\0\0\0\0"


def _ramp(t, t0, t1):
    if t <= t0:
        return 0.0
    if t >= t1:
        return 1.0
    return (t - t0) / (t1 - t0)


def _band(t, period, width):
    """Coverage of a band `width` wide every `period`, with one soft pixel at each edge."""
    p = t % period
    return max(0.0, min(1.0, min(p + 0.5, width - p + 0.5)))


def diagonal_picture(width, height, slope, alpha_at, color=WHITE):
    """Rows of a picture whose pixels depend on t = x + slope * y only (slope 1 or -1)."""
    offset = height if slope < 0 else 0
    table = b"".join(_px(color, alpha_at(t - offset)) for t in range(width + height + 1))
    rows = []
    for y in range(height):
        t0 = slope * y + offset
        rows.append(table[t0 * 4:(t0 + width) * 4])
    return rows


def stripes1_alpha(t):
    return 44 * _band(t, 56, 22) * _ramp(t, 420, 1150)


def stripes2_alpha(t):
    return 40 * _band(t, 30, 9) * _ramp(t, 150, 800)


def lines_picture(width, height):
    fade = [_ramp(x, 260, width - 60) for x in range(width)]
    rows = []
    for y in range(height):
        if y % 6 != 5:
            rows.append(b"\0\0\0\0" * width)
            continue
        strength = 30 + 26 * y / height
        rows.append(b"".join(_px(WHITE, strength * f) for f in fade))
    return rows


def curves_picture(width, height, curves, max_alpha, line_width, fade_from):
    """Thin anti-aliased curves y = c + a * sin(x * f + phase), fading in from the left."""
    data = bytearray(width * height * 4)
    alpha = [0.0] * (width * height)
    half = line_width / 2
    for base, amplitude, frequency, phase in curves:
        for x in range(width):
            centre = base + amplitude * math.sin(x * frequency + phase)
            slope = amplitude * frequency * math.cos(x * frequency + phase)
            norm = 1.0 / math.sqrt(1 + slope * slope)
            for y in range(max(0, int(centre - half - 3)), min(height, int(centre + half + 4))):
                d = abs(y + 0.5 - centre) * norm
                cover = max(0.0, min(1.0, half - d + 0.5))
                i = y * width + x
                alpha[i] = max(alpha[i], cover)
    for y in range(height):
        for x in range(width):
            a = alpha[y * width + x] * max_alpha * _ramp(x, fade_from, width * 0.8)
            data[(y * width + x) * 4:(y * width + x) * 4 + 4] = _px(WHITE, a)
    return [bytes(data[y * width * 4:(y + 1) * width * 4]) for y in range(height)]


def tile_picture(width, height, alpha_at, color=WHITE):
    return [b"".join(_px(color, alpha_at(x, y)) for x in range(width)) for y in range(height)]


def geometric_picture(width, height):
    """Triangles on a 40-pixel grid: one 40 x 40 tile repeated across."""
    period = 40

    def alpha_at(x, y):
        u, v = x % period, y % period
        on_grid = min(u, v) < 1 or abs(u - v) < 0.8 or abs(u + v - period) < 0.8
        return 26 if on_grid else 0

    tile = tile_picture(period, period, alpha_at)
    return [(tile[y % period] * (width // period + 1))[:width * 4] for y in range(height)]


def _noise(seed):
    state = [seed]

    def next_value():
        state[0] = (state[0] * 1103515245 + 12345) & 0x7FFFFFFF
        return state[0] / 0x7FFFFFFF

    return next_value


def grain_texture(size, strength, seed):
    rand = _noise(seed)
    rows = []
    for _ in range(size):
        row = bytearray()
        for _ in range(size):
            v = rand()
            row += _px(WHITE if v > 0.5 else (0, 0, 0), abs(v - 0.5) * 2 * strength)
        rows.append(bytes(row))
    return rows


def shadow_divider(length, thickness, vertical_line=False):
    """A soft shadow along the bottom edge (or the right edge), fading in and out at its ends."""
    def alpha_at(along, across):
        depth = ((across + 1) / thickness) ** 2
        ends = min(_ramp(along, 0, 220), 1.0 - _ramp(along, length - 160, length))
        return 90 * depth * ends

    if vertical_line:
        return tile_picture(thickness, length, lambda x, y: alpha_at(y, x), (0, 0, 0))
    return tile_picture(length, thickness, lambda x, y: alpha_at(x, y), (0, 0, 0))


def crop_rows(rows, width, height, x0=0, y0=0):
    return [r[x0 * 4:(x0 + width) * 4] for r in rows[y0:y0 + height]]


def draw_speedometer(c):
    c.fill(arc(16, 18, 14, 0, 180, 2.6), conic(16, 18, 180, [(0, GREEN), (90, AMBER), (180, RED)]))
    for i in range(9):
        a = 180 - i * 22.5
        x0, y0 = _polar(16, 18, 10.2, a)
        x1, y1 = _polar(16, 18, 11.8, a)
        c.fill(line([(x0, y0), (x1, y1)], 0.7), solid(GREY_DARK))


def draw_speed_centre(c):
    c.framed(circle(16, 16, 15), solid(GREY_DARK), radial(12, 12, 20, [(0, WHITE), (1, GREY)]), 1.0)


def draw_wizard_side(c):
    """The update wizard's side picture, top half: the program's gauge with an arrow of renewal."""
    draw_gauge(c)


def header_pictures():
    """{file name: bytes} of the header and panel pictures."""
    files = {}
    for name, width, height, top, bottom in (
        ("HeaderStripDarkBlue.bmp", 1, 96, (61, 122, 199), (13, 83, 154)),
        ("HeaderStripLightBlue.bmp", 6, 112, (250, 250, 251), (225, 235, 247)),
        ("HeaderStripVelmar.bmp", 4, 98, (25, 93, 163), (22, 87, 155)),
    ):
        files[name] = bmp24_bytes(_strip_rows(width, height, top, bottom), width, height)
    files["HeaderStripGrey.bmp"] = bmp8_bytes(_strip_rows(6, 112, (244, 244, 246), (214, 218, 226)), 6, 112)

    files["HeaderStripes1.png"] = png_bytes(diagonal_picture(1329, 295, 1, stripes1_alpha), 1329, 295)
    files["HeaderStripes2.png"] = png_bytes(diagonal_picture(1329, 295, -1, stripes2_alpha), 1329, 295)
    files["HeaderLines.png"] = png_bytes(lines_picture(879, 250), 879, 250)
    files["HeaderCurves.png"] = png_bytes(curves_picture(
        920, 260, [(70 + 34 * i, 18 + 4 * i, 0.009 + 0.001 * i, 0.7 * i) for i in range(5)], 70, 1.2, 180), 920, 260)
    files["HeaderWaves.png"] = png_bytes(curves_picture(
        1300, 214, [(60 + 22 * i, 26, 0.006, 0.45 * i) for i in range(7)], 54, 2.4, 260), 1300, 214)

    files["TextureGeometric.png"] = png_bytes(geometric_picture(1920, 200), 1920, 200)
    files["TextureGrain.png"] = png_bytes(grain_texture(64, 34, 7), 64, 64)
    files["TexturePaper.png"] = png_bytes(grain_texture(100, 16, 11), 100, 100)
    textures = (
        ("TextureGrid.png", 64, lambda x, y: 28 if x % 8 == 0 or y % 8 == 0 else 0),
        ("TextureGrid1.png", 56, lambda x, y: 30 if x % 14 == 0 or y % 14 == 0 else 0),
        ("TextureGrid2.png", 50, lambda x, y: 34 if (x % 10 == 0 and y % 2 == 0) or (y % 10 == 0 and x % 2 == 0)
         else 0),
        ("TextureLines.png", 64, lambda x, y: 26 if (x + y) % 8 == 0 else 0),
        ("TextureStripes.png", 64, lambda x, y: 20 if x % 8 < 4 else 0),
        ("TextureSquare.png", 20, lambda x, y: 30 if x in (2, 17) and 2 <= y <= 17 or y in (2, 17) and 2 <= x <= 17
         else 0),
        ("TextureDot.png", 8, lambda x, y: 60 * max(0.0, 1.0 - math.hypot(x - 3.5, y - 3.5) / 2.2)),
        ("TextureMetal.png", 8, lambda x, y: (18, 6, 26, 10, 22, 4, 14, 8)[y]),
    )
    for name, size, alpha_at in textures:
        files[name] = png_bytes(tile_picture(size, size, alpha_at), size, size)

    files["ShadowDivider1.png"] = png_bytes(shadow_divider(918, 12), 918, 12)
    files["ShadowDivider2.png"] = png_bytes(shadow_divider(918, 12, vertical_line=True), 12, 918)
    files["PanelGradient.png"] = png_rgb_bytes(_strip_rows(18, 31, WHITE, BLUE_LIGHT), 18, 31)

    arrow = tile_picture(63, 5, lambda x, y: 255 * max(0.0, min(1.0, (1.0 + x / 62 * 1.5) - abs(y - 2))),
                         RED_DARK)
    files["SpeedArrow.png"] = png_bytes(arrow, 63, 5)
    files["SpeedCentre.png"] = png_bytes(render(draw_speed_centre, 17), 17, 17)
    files["Speedometer.png"] = png_bytes(crop_rows(render(draw_speedometer, 148), 148, 93), 148, 93)

    # The update wizard's side picture (two drawings one above the other) and its error sign.
    top = render(draw_wizard_side, 162)
    bottom = render(draw_monitor, 162)
    side = top + bottom + [b"\0\0\0\0" * 162] * (329 - 2 * 162)
    files["PictureWizard.png"] = png_bytes(side, 162, 329)
    files["PictureWizardError.png"] = png_bytes(render(draw_error, 32), 32, 32)
    return files

# ---------------------------------------------------------------------------------------

MENU_SUBJECTS = [draw_gauge, draw_sliders, draw_monitor, draw_gear, draw_help]
PROGRESS_IMAGES = [
    (draw_network_card,),
    (draw_signal, False),
    (draw_signal, True),
    (draw_hourglass,),
    (draw_error,),
    (draw_check,),
]


def build():
    """Returns {file name: (bytes, preview images as (size, rows) list)}."""
    files = {}
    icon = [(s, render(draw_gauge, s)) for s in (16, 32, 48)]
    files["Tarvex.ico"] = (ico_bytes(icon), icon)
    for name, size, items in (
        ("ImageList32.bmp", 32, [(d,) for d in MENU_SUBJECTS]),
        ("ImageList16LeftMenu.bmp", 16, [(d,) for d in MENU_SUBJECTS]),
        ("ImageList16Progress.bmp", 16, PROGRESS_IMAGES),
    ):
        images = [render(item[0], size, *item[1:]) for item in items]
        files[name] = (bmp_bytes(strip_rows(images), size * len(images), size), [(size, i) for i in images])
    for name, draw, size in (
        ("PictureSettings.png", draw_settings_picture, 32),
        ("PictureSupport.png", draw_lifebuoy, 32),
        ("Logo.png", draw_logo, 64),
    ):
        rows = render(draw, size)
        files[name] = (png_bytes(rows, size, size), [(size, rows)])
    # Not square: left out of the contact sheet.
    for name, data in header_pictures().items():
        files[name] = (data, [])
    return files


def write_preview(path, files):
    """A contact sheet: each image at its real size on four backgrounds, then magnified on two."""
    backgrounds = [(255, 255, 255), (236, 233, 216), BLUE_LIGHT, (60, 60, 60)]
    zoom_to, cols = 160, 4
    items = [img for _, imgs in files.values() for img in imgs]
    cell_w, cell_h = 2 * (zoom_to + 4), 68 + zoom_to + 8
    width, height = cell_w * cols, cell_h * ((len(items) + cols - 1) // cols)
    sheet = [bytearray(b"\xf0\xf0\xf0\xff" * width) for _ in range(height)]

    def paste(ox, oy, size, rows, zoom, bg):
        for y in range(size * zoom):
            line_out = sheet[oy + y]
            src = rows[y // zoom]
            for x in range(size * zoom):
                i = (x // zoom) * 4
                a = src[i + 3] / 255.0
                line_out[(ox + x) * 4:(ox + x) * 4 + 3] = bytes(
                    int(round(src[i + k] * a + bg[k] * (1 - a))) for k in range(3))

    for n, (size, rows) in enumerate(items):
        ox, oy = (n % cols) * cell_w, (n // cols) * cell_h
        for b, bg in enumerate(backgrounds):
            paste(ox + b * (size + 4), oy, size, rows, 1, bg)
        zoom = max(1, zoom_to // size)
        for b, bg in enumerate(backgrounds[1:3]):
            paste(ox + b * (zoom_to + 4), oy + 68, size, rows, zoom, bg)
    with open(path, "wb") as f:
        f.write(png_bytes([bytes(r) for r in sheet], width, height))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="Draws the program's icons and pictures.")
    parser.add_argument("--out", default=os.path.join(here, "..", "..", "resources"))
    parser.add_argument("--preview", help="also write an enlarged contact sheet PNG here")
    args = parser.parse_args()
    files = build()
    os.makedirs(args.out, exist_ok=True)
    for name, (data, _) in files.items():
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
    if args.preview:
        write_preview(args.preview, files)


if __name__ == "__main__":
    main()
