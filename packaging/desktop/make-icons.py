#!/usr/bin/env python3
"""Draws the desktop app's icon at the hicolor sizes into icons/<size>.png and as
icons/scalable.svg: the dialog's picture (a blue disc, a white arrow pointing down into
a bar), drawn in 32 design units and sampled 4 x 4 per pixel so small sizes stay sharp.
Run it again only when the picture should change; the files are kept in the repository."""
import math
import os
import struct
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
UNITS = 32.0
SAMPLES = 4


def covered(x, y):
    """The colour at design point (x, y): None outside the disc."""
    c = UNITS / 2
    if math.hypot(x - c, y - c) > 15.5:
        return None
    in_shaft = 14.0 <= x <= 18.0 and 6 <= y <= 16.5
    in_head = 16 <= y <= 22.5 and abs(x - 16.0) <= (22.5 - y)
    in_bar = 24 <= y <= 26.5 and 8.5 <= x <= 23.5
    if in_shaft or in_head or in_bar:
        return (255, 255, 255)
    shade = 1.0 - 0.35 * (y / UNITS)
    return (int(40 * shade), int(120 * shade), int(230 * shade))


def pixels(size):
    rows = []
    scale = UNITS / size
    for py in range(size):
        row = bytearray([0])  # PNG filter type: none
        for px in range(size):
            r = g = b = hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    colour = covered((px + (sx + 0.5) / SAMPLES) * scale, (py + (sy + 0.5) / SAMPLES) * scale)
                    if colour is not None:
                        r, g, b, hits = r + colour[0], g + colour[1], b + colour[2], hits + 1
            if hits:
                row += bytes((r // hits, g // hits, b // hits, 255 * hits // (SAMPLES * SAMPLES)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return b"".join(rows)


def png(size):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(pixels(size), 9)) + chunk(
        b"IEND", b"")


SVG = """<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 32 32" width="32" height="32">
  <defs>
    <linearGradient id="shade" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#2878e6"/>
      <stop offset="1" stop-color="#1a4e95"/>
    </linearGradient>
  </defs>
  <circle cx="16" cy="16" r="15.5" fill="url(#shade)"/>
  <path d="M14 6h4v10.5h4.5L16 22.5 9.5 16.5H14z" fill="#fff"/>
  <rect x="8.5" y="24" width="15" height="2.5" fill="#fff"/>
</svg>
"""


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(folder, "%d.png" % size), "wb") as out:
            out.write(png(size))
    with open(os.path.join(folder, "scalable.svg"), "w") as out:
        out.write(SVG)


if __name__ == "__main__":
    main()
