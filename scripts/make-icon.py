#!/usr/bin/env python3
"""Writes src/platform/win32/kavren.ico: a 32x32 and a 16x16 32-bit icon
(a white "K" on a dark blue rounded square). Standard library only.

    python3 scripts/make-icon.py [OUTPUT]
"""
import os
import struct
import sys

# The letter on a 16x16 grid; scaled up for 32x32.
GLYPH = [
    "................",
    "................",
    "...##......##...",
    "...##.....##....",
    "...##....##.....",
    "...##...##......",
    "...##..##.......",
    "...##.##........",
    "...####.........",
    "...##.##........",
    "...##..##.......",
    "...##...##......",
    "...##....##.....",
    "...##.....##....",
    "...##......##...",
    "................",
]


def pixel(x, y, size):
    """BGRA of the pixel at (x, y), y from the top."""
    g = GLYPH[y * 16 // size][x * 16 // size]
    r = size // 8                       # corner radius
    cx = min(max(x, r), size - 1 - r)
    cy = min(max(y, r), size - 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return (0, 0, 0, 0)             # outside the rounded square
    if g == "#":
        return (255, 255, 255, 255)
    shade = 0x60 + 0x50 * y // size
    return (shade, 0x30, 0x10, 255)


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):   # bottom-up
        rows.append(b"".join(bytes(pixel(x, y, size)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    mask = b"\0" * (mask_row * size)   # the alpha channel decides
    return header + b"".join(rows) + mask


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "src", "platform", "win32", "kavren.ico")
    images = [image(32), image(16)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((32, 16), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
