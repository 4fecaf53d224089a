#!/usr/bin/env python3
"""Draws Quavertone's icon (a white quaver on a round teal disc) and writes data/QVTFile.ico
(16, 24, 32, 48, 64 and 256 pixels, PNG entries), data/QVTFile.png (256 pixels) and the
desktop theme's icons data/desktop/hicolor/<size>/apps/quavertone.png (48, 128, 256 pixels)
and .../scalable/apps/quavertone.svg (the same drawing as vector shapes).
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


def flag_points(size):
    """The flag's outline (see inside_note), sampled, in pixels of a size x size canvas."""
    upper, lower = [], []
    for k in range(11):
        t = k / 10
        x = 0.52 + 0.22 * t
        top = 0.20 + 0.16 * t * t + 0.10 * t
        upper.append((x, top))
        lower.append((x, top + 0.10 + 0.02 * (1 - t)))
    return " ".join("%.2f,%.2f" % (x * size, y * size) for x, y in upper + lower[::-1])


def svg():
    s = 256
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{s}" height="{s}" viewBox="0 0 {s} {s}">
  <defs>
    <linearGradient id="shade" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="rgb(24,150,160)"/>
      <stop offset="1" stop-color="rgb(15,97,104)"/>
    </linearGradient>
  </defs>
  <circle cx="{s / 2}" cy="{s / 2}" r="{0.48 * s:.2f}" fill="rgb(12,74,84)"/>
  <circle cx="{s / 2}" cy="{s / 2}" r="{0.45 * s:.2f}" fill="url(#shade)"/>
  <g fill="#ffffff">
    <ellipse cx="{0.40 * s:.2f}" cy="{0.70 * s:.2f}" rx="{0.135 * s:.2f}" ry="{0.095 * s:.2f}"
             transform="rotate(-25 {0.40 * s:.2f} {0.70 * s:.2f})"/>
    <rect x="{0.490 * s:.2f}" y="{0.20 * s:.2f}" width="{0.055 * s:.2f}" height="{0.50 * s:.2f}"/>
    <polygon points="{flag_points(s)}"/>
  </g>
</svg>
"""


def write_theme_icons():
    theme = os.path.join(ROOT, "desktop", "hicolor")
    for size in (48, 128, 256):
        folder = os.path.join(theme, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "quavertone.png"), "wb") as f:
            f.write(render(size))
    folder = os.path.join(theme, "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "quavertone.svg"), "w", encoding="utf-8") as f:
        f.write(svg())


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
    write_theme_icons()


if __name__ == "__main__":
    main()
