#!/usr/bin/env python3
"""Draws Quavertone's icon (a white quaver on a round teal disc) and writes data/QVTFile.ico
(16, 24, 32, 48, 64 and 256 pixels, PNG entries) and data/QVTFile.png (256 pixels).
Pure Python: run it again after changing the drawing."""
import math
import os
import struct
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")


def inside_note(x, y):
    """The quaver in unit coordinates (0..1, y down)."""
    # Note head: a tilted ellipse.
    cx, cy, rx, ry, a = 0.40, 0.70, 0.135, 0.095, math.radians(-25)
    dx, dy = x - cx, y - cy
    u = dx * math.cos(a) + dy * math.sin(a)
    v = -dx * math.sin(a) + dy * math.cos(a)
    if (u / rx) ** 2 + (v / ry) ** 2 <= 1.0:
        return True
    # Stem on the right side of the head.
    if 0.490 <= x <= 0.545 and 0.20 <= y <= 0.70:
        return True
    # Flag: a curved band from the top of the stem.
    if 0.52 <= x <= 0.74 and 0.20 <= y <= 0.56:
        t = (x - 0.52) / 0.22
        top = 0.20 + 0.16 * t * t + 0.10 * t
        if top <= y <= top + 0.10 + 0.02 * (1 - t):
            return True
    return False


def pixel(x, y):
    """RGBA of one unit-coordinate sample."""
    dx, dy = x - 0.5, y - 0.5
    r = math.hypot(dx, dy)
    if r > 0.48:
        return (0, 0, 0, 0)
    if inside_note(x, y):
        return (255, 255, 255, 255)
    if r > 0.45:  # rim
        return (12, 74, 84, 255)
    shade = 1.0 - 0.35 * (y)
    return (int(24 * shade), int(150 * shade), int(160 * shade), 255)


def render(size):
    ss = 4
    rows = []
    for j in range(size):
        row = bytearray([0])
        for i in range(size):
            acc = [0, 0, 0, 0]
            for sj in range(ss):
                for si in range(ss):
                    p = pixel((i + (si + 0.5) / ss) / size, (j + (sj + 0.5) / ss) / size)
                    alpha = p[3]
                    acc[0] += p[0] * alpha
                    acc[1] += p[1] * alpha
                    acc[2] += p[2] * alpha
                    acc[3] += alpha
            a = acc[3]
            if a:
                row += bytes([acc[0] // a, acc[1] // a, acc[2] // a, a // (ss * ss)])
            else:
                row += bytes([0, 0, 0, 0])
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    sizes = [16, 24, 32, 48, 64, 256]
    images = [render(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(os.path.join(ROOT, "QVTFile.ico"), "wb") as f:
        f.write(out)
    with open(os.path.join(ROOT, "QVTFile.png"), "wb") as f:
        f.write(images[-1])


if __name__ == "__main__":
    main()
