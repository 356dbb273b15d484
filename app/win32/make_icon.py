#!/usr/bin/env python3
"""Draws Tickwell's icon and writes it as tickwell.ico (16, 24, 32 and 48 pixels, 32-bit with
alpha): a blue rounded tile with a rising green price line and a white tick on its last point.

    python3 app/win32/make_icon.py [output.ico]

The icon is checked in; run this only to change the picture.
"""
import os
import struct
import sys

SIZES = (16, 24, 32, 48)
SAMPLES = 4  # per axis: 16 samples per pixel smooth the edges

TILE_TOP = (38, 92, 170)
TILE_BOTTOM = (20, 52, 110)
EDGE = (12, 34, 78)
LINE = (70, 210, 100)
TICK = (255, 255, 255)


def inside_rounded(x, y, size, radius):
    """Whether (x, y), in units of the icon's size, lies in the tile."""
    lo, hi = 0.03, 0.97
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def distance_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    qx, qy = ax + t * dx, ay + t * dy
    return ((px - qx) ** 2 + (py - qy) ** 2) ** 0.5


# The price line, in units of the icon's size: down, up, a dip, then up to the top right.
PRICE = [(0.16, 0.70), (0.34, 0.52), (0.48, 0.62), (0.80, 0.26)]
# The tick mark at the line's end.
TICK_MARKS = [((0.58, 0.80), (0.68, 0.88)), ((0.68, 0.88), (0.86, 0.68))]


def colour_at(x, y, size):
    """The colour and coverage (0 or 1) of one sample point."""
    if not inside_rounded(x, y, size, 0.18):
        return None
    border = 1.2 / size
    if not (0.03 + border <= x <= 0.97 - border and 0.03 + border <= y <= 0.97 - border):
        colour = EDGE
    else:
        f = (y - 0.03) / 0.94
        colour = tuple(int(TILE_TOP[i] * (1 - f) + TILE_BOTTOM[i] * f) for i in range(3))
    # Thin lines would vanish at 16 pixels: they keep at least about 1.6 pixels of width.
    line_half = max(0.055, 0.8 / size)
    for a, b in zip(PRICE, PRICE[1:]):
        if distance_to_segment(x, y, *a, *b) <= line_half:
            colour = LINE
    tick_half = max(0.06, 0.85 / size)
    for a, b in TICK_MARKS:
        if distance_to_segment(x, y, *a, *b) <= tick_half:
            colour = TICK
    return colour


def render(size):
    """Rows of (b, g, r, a) from the top, each pixel averaged over its samples."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    c = colour_at(x, y, size)
                    if c is None:
                        continue
                    covered += 1
                    for i in range(3):
                        acc[i] += c[i]
            n = SAMPLES * SAMPLES
            if covered == 0:
                row.append((0, 0, 0, 0))
            else:
                r, g, b = (round(v / covered) for v in acc)
                row.append((b, g, r, round(255 * covered / n)))
        rows.append(row)
    return rows


def bmp_image(size):
    """One icon image: a BITMAPINFOHEADER of twice the height, the colour rows from the bottom
    and an AND mask (all zero: the alpha channel decides)."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes(p) for row in reversed(rows) for p in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    return header + pixels + mask


def write_icon(path):
    images = [bmp_image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "tickwell.ico"))
