#!/usr/bin/env python3
"""Draws the program's icon (32 x 32, 32 bits per pixel, one image) into VantorUpdate.ico:
a blue disc with a white arrow pointing down into a bar, the usual sign of an update.
Run it again only when the picture should change; the .ico is kept in the repository."""
import math
import struct
import sys

SIZE = 32


def pixel(x, y):
    cx = cy = (SIZE - 1) / 2
    r = math.hypot(x - cx, y - cy)
    if r > 15.5:
        return (0, 0, 0, 0)
    alpha = 255 if r <= 14.5 else int(255 * (15.5 - r))
    shade = 1.0 - 0.35 * (y / SIZE)
    blue = (int(40 * shade), int(120 * shade), int(230 * shade))
    white = (255, 255, 255)
    # The arrow: a shaft, a head, and the bar it points at.
    in_shaft = 13.5 <= x <= 17.5 and 6 <= y <= 16
    in_head = 16 <= y <= 22 and abs(x - 15.5) <= (22 - y) + 0.5
    in_bar = 24 <= y <= 26 and 8 <= x <= 23
    rgb = white if (in_shaft or in_head or in_bar) else blue
    return rgb + (alpha,)


def ico_bytes():
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up, as in a DIB
        for x in range(SIZE):
            r, g, b, a = pixel(x, y)
            rows.append(struct.pack("<BBBB", b, g, r, a))
    xor = b"".join(rows)
    and_mask = bytes(4 * SIZE)  # 32 px a row = 4 bytes, already 32-bit aligned
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "VantorUpdate.ico"
    with open(out, "wb") as f:
        f.write(ico_bytes())
