#!/usr/bin/env python3
"""Writes design.ico, the icon the shipped design packs carry: one 32x32 32-bit image
(a page with a coloured band), drawn here so the repository holds its own source.
Run: python3 make_icon.py design.ico"""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """BGRA of the pixel at (x, y), y counted from the top."""
    if x < 4 or x > 27 or y < 2 or y > 29:
        return (0, 0, 0, 0)  # transparent margin
    if x == 4 or x == 27 or y == 2 or y == 29:
        return (80, 80, 80, 255)  # page outline
    if 5 <= y <= 10:
        return (200, 120, 30, 255)  # header band
    if y % 4 == 0 and 7 <= x <= 24:
        return (150, 150, 150, 255)  # text lines
    return (255, 255, 255, 255)


def main(path):
    rows = []
    for y in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        rows.append(b"".join(bytes(pixel(x, y)) for x in range(SIZE)))
    xor_bits = b"".join(rows)
    and_mask = bytes(SIZE * SIZE // 8)  # alpha carries transparency
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor_bits) + len(and_mask), 0, 0, 0, 0)
    image = header + xor_bits + and_mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + image)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "design.ico")
