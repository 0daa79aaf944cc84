#!/usr/bin/env python3
"""Draws the program's icon (a small lit fir tree with a gold star on a
night-blue ground) at 256, 64, 48, 32 and 16 pixels, 32 bits per pixel, and
writes it as an .ico file. Standard library only; the result is committed
as res/frostvale.ico, so the build needs no Python. With --png it writes
the same icon as PREFIX-SIZE.png files instead (the web page's icons,
made at build time).

    python3 tools/make_icon.py res/frostvale.ico
    python3 tools/make_icon.py --png dist/web/icon 32 180 192 512
"""
import math
import struct
import sys
import zlib

SIZES = (256, 64, 48, 32, 16)
SUB = 4  # subsamples per axis for anti-aliasing

NIGHT_TOP = (0x10, 0x14, 0x3C)
NIGHT_BOTTOM = (0x24, 0x2E, 0x6A)
SNOW = (0xE8, 0xF0, 0xFF)
GREEN_DARK = (0x0E, 0x5A, 0x2A)
GREEN_LIGHT = (0x2E, 0x9A, 0x4A)
TRUNK = (0x5A, 0x34, 0x1C)
GOLD = (0xFF, 0xCC, 0x33)
LIGHTS = ((0xFF, 0x40, 0x40), (0xFF, 0xE0, 0x50), (0x50, 0xB0, 0xFF), (0xFF, 0x70, 0xE0))

# tree tiers as triangles in unit coordinates (x to the right, y down)
TIERS = ((0.50, 0.20, 0.22, 0.44), (0.50, 0.33, 0.29, 0.60), (0.50, 0.47, 0.36, 0.78))
LIGHT_SPOTS = ((0.43, 0.38), (0.58, 0.47), (0.39, 0.58), (0.62, 0.66), (0.47, 0.72), (0.33, 0.75),
               (0.68, 0.76), (0.54, 0.56))


def in_round_rect(x, y, r=0.18):
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_star(x, y, cx=0.5, cy=0.17, outer=0.11, inner=0.045):
    angle = math.atan2(x - cx, cy - y)
    dist = math.hypot(x - cx, y - cy)
    sector = (angle % (2 * math.pi / 5)) / (2 * math.pi / 5)
    t = abs(sector - 0.5) * 2  # 1 at a point, 0 between points
    # straight edges between point and notch, measured along the sector
    a_point = 0.0
    a_notch = math.pi / 5
    a = (1 - t) * a_notch
    p = (outer * math.sin(a_point), outer * math.cos(a_point))
    q = (inner * math.sin(a_notch), inner * math.cos(a_notch))
    # distance of the edge along direction a
    dx, dy = q[0] - p[0], q[1] - p[1]
    sa, ca = math.sin(a), math.cos(a)
    denom = sa * dy - ca * dx
    if abs(denom) < 1e-9:
        return dist <= outer
    s = (p[0] * dy - p[1] * dx) / denom
    return dist <= s


def colour_at(x, y):
    """Colour and alpha of one subsample, x and y in [0, 1)."""
    if not in_round_rect(x, y):
        return (0, 0, 0, 0)
    c = tuple(int(NIGHT_TOP[i] + (NIGHT_BOTTOM[i] - NIGHT_TOP[i]) * y) for i in range(3))
    if y > 0.82:
        c = SNOW
    if 0.45 <= x <= 0.55 and 0.76 <= y <= 0.88:
        c = TRUNK
    for apex_x, apex_y, half, base_y in reversed(TIERS):
        if apex_y <= y <= base_y:
            w = half * (y - apex_y) / (base_y - apex_y)
            if abs(x - apex_x) <= w:
                shade = (x - apex_x + w) / (2 * w + 1e-9)
                c = tuple(int(GREEN_LIGHT[i] + (GREEN_DARK[i] - GREEN_LIGHT[i]) * shade) for i in range(3))
                break
    for n, (lx, ly) in enumerate(LIGHT_SPOTS):
        if (x - lx) ** 2 + (y - ly) ** 2 <= 0.032 ** 2:
            c = LIGHTS[n % len(LIGHTS)]
    if in_star(x, y):
        c = GOLD
    return c + (255,)


def render(size, sub=SUB):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(sub):
                for sx in range(sub):
                    r, g, b, a = colour_at((px + (sx + 0.5) / sub) / size, (py + (sy + 0.5) / sub) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            alpha = acc[3] / (sub * sub)
            if acc[3]:
                rgb = [min(255, round(acc[i] / acc[3])) for i in range(3)]
            else:
                rgb = [0, 0, 0]
            row.append((rgb[0], rgb[1], rgb[2], round(alpha)))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main(path):
    images = [png(render(s)) if s == 256 else dib(render(s)) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for s, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    if sys.argv[1] == "--png":
        for size in map(int, sys.argv[3:]):
            # large sizes need fewer subsamples for the same smooth edges
            with open(f"{sys.argv[2]}-{size}.png", "wb") as f:
                f.write(png(render(size, 2 if size > 128 else SUB)))
    else:
        main(sys.argv[1])
