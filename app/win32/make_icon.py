#!/usr/bin/env python3
"""Draws the Quorvex icon (a warm eye on an amber tile) and writes it as a multi-size .ico.

Usage: make_icon.py <output.ico>

Every size is rendered from the same shapes with supersampling, so small sizes stay clean.
Entries are 32-bit BMP images with an AND mask, which every Windows version and Wine read.
"""

import math
import struct
import sys

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)


def almond(x, y, cx, cy, half_w, half_h):
    """Inside the eye outline: the lens where two circles meet."""
    r = (half_w * half_w + half_h * half_h) / (2 * half_h)
    d = r - half_h
    return (x - cx) ** 2 + (y - (cy + d)) ** 2 <= r * r and (x - cx) ** 2 + (y - (cy - d)) ** 2 <= r * r


def rounded_square(x, y, radius):
    qx = min(x, 1 - x)
    qy = min(y, 1 - y)
    if qx < 0 or qy < 0:
        return False
    if qx >= radius or qy >= radius:
        return True
    return (radius - qx) ** 2 + (radius - qy) ** 2 <= radius * radius


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def sample(x, y):
    """Colour (r, g, b) and coverage 0/1 of one point of the unit square."""
    if not rounded_square(x, y, 0.22):
        return (0, 0, 0), 0.0
    colour = mix((255, 196, 96), (236, 112, 38), y)
    cx, cy = 0.5, 0.52
    if almond(x, y, cx, cy, 0.40, 0.25):
        colour = (110, 58, 20)  # outline
        if almond(x, y, cx, cy, 0.36, 0.205):
            colour = (255, 250, 240)
            dist = math.hypot(x - cx, y - cy)
            if dist <= 0.165:
                colour = mix((150, 88, 34), (96, 52, 18), dist / 0.165)
            if dist <= 0.075:
                colour = (40, 24, 12)
            if math.hypot(x - (cx + 0.055), y - (cy - 0.055)) <= 0.035:
                colour = (255, 255, 255)
    return colour, 1.0


def render(size):
    ss = 4 if size <= 64 else 2
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0.0
            for sy in range(ss):
                for sx in range(ss):
                    c, a = sample((px + (sx + 0.5) / ss) / size, (py + (sy + 0.5) / ss) / size)
                    if a:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        cover += 1
            n = ss * ss
            if cover:
                rgb = tuple(int(round(v / cover)) for v in acc)
            else:
                rgb = (0, 0, 0)
            row.append((rgb, int(round(255 * cover / n))))
        rows.append(row)
    return rows


def bmp_entry(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        for (r, g, b), a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(pixels) + bytes(mask)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py <output.ico>")
    images = [(size, bmp_entry(size, render(size))) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
