#!/usr/bin/env python3
"""Draws the program's icon, app/tesraconfig.ico: a blue tile with a white
"T" and an amber loudspeaker wave, at 16, 24, 32, 48 and 256 pixels.

    scripts/draw-icon.py app/tesraconfig.ico

The small sizes are 32-bit DIBs (what the resource compiler, NSIS and every
Windows version read); 256 is a PNG, as Windows keeps its large icons.
"""
import math
import struct
import sys
import zlib

BLUE = (0x1F, 0x4E, 0x8C)
WHITE = (0xFF, 0xFF, 0xFF)
AMBER = (0xF2, 0xA3, 0x1B)


def pixel(x, y, n):
    """The colour and alpha at pixel centre (x, y) of an n-pixel icon."""
    u = (x + 0.5) / n
    v = (y + 0.5) / n
    # Rounded tile.
    r = 0.16
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    # The letter: a bar across the top and a stem.
    if 0.18 <= v <= 0.34 and 0.16 <= u <= 0.70:
        return WHITE + (255,)
    if 0.18 <= v <= 0.84 and 0.35 <= u <= 0.51:
        return WHITE + (255,)
    # Two arcs to the right of the stem: the sound of the loudspeakers.
    d = math.hypot(u - 0.52, v - 0.58)
    ang = math.atan2(v - 0.58, u - 0.52)
    if abs(ang) < 0.75 and (0.22 <= d <= 0.29 or 0.36 <= d <= 0.43):
        return AMBER + (255,)
    return BLUE + (255,)


def dib(n):
    rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = bytearray()
        for x in range(n):
            r, g, b, a = pixel(x, y, n)
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((n + 31) // 32) * 4
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + bytes(mask_stride * n)


def png(n):
    raw = b""
    for y in range(n):
        raw += b"\0" + b"".join(bytes(pixel(x, y, n)) for x in range(n))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", n, n, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    images = [(n, dib(n)) for n in (16, 24, 32, 48)] + [(256, png(256))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in images:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
