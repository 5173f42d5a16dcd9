#!/usr/bin/env python3
"""Writes a firmware package for the GUI tests and, beside it, the image bytes the
controller's flash must hold afterwards.

usage: make-package.py OUT.dat IMAGE.bin TYPE VARIANT VERSION LENGTH [RADIO_LENGTH]
A decoy section of another type comes first, so the dialog's pick is checked too. With
RADIO_LENGTH a radio (Bluetooth LE, type 0) image of that length follows."""
import struct
import sys

ADDRESS = 0x08004000
RADIO_ADDRESS = 0x00001000


def header(version, beta, address, length, type_, variant):
    return struct.pack("<HHIIHB13s", version, beta, address, length, type_, variant, b"\0" * 13)


def pattern(length, seed):
    return bytes((i * 7 + seed + (i >> 8)) & 0xFF for i in range(length))


def main():
    out, image_out = sys.argv[1], sys.argv[2]
    type_, variant, version, length = (int(v, 0) for v in sys.argv[3:7])
    radio_length = int(sys.argv[7], 0) if len(sys.argv) > 7 else 0
    decoy_type = type_ + 1
    decoy = pattern(512, 0x55)
    image = pattern(length, 0x11)
    with open(out, "wb") as f:
        f.write(header(version, 0, ADDRESS, len(decoy), decoy_type, variant) + decoy)
        f.write(header(version, 0, ADDRESS, len(image), type_, variant) + image)
        if radio_length:
            f.write(header(102, 0, RADIO_ADDRESS, radio_length, 0, 0) + pattern(radio_length, 0x33))
    with open(image_out, "wb") as f:
        f.write(image)


if __name__ == "__main__":
    main()
