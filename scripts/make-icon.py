#!/usr/bin/env python3
"""Draws the ZOLT icon (a lightning bolt on a dark blue tile) as PNG files of several sizes.

Pure standard library, so it runs anywhere; the PNGs are committed under res/icons.
"""
import struct
import sys
import zlib
from pathlib import Path

BOLT = [(0.58, 0.08), (0.24, 0.56), (0.47, 0.56), (0.38, 0.92), (0.76, 0.40), (0.53, 0.40), (0.66, 0.08)]
TILE = (0x1F, 0x3A, 0x68)
BOLT_COLOUR = (0xFF, 0xC8, 0x1E)


def inside(poly, x, y):
    hit = False
    for i in range(len(poly)):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % len(poly)]
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            hit = not hit
    return hit


def in_tile(x, y):
    r = 0.18
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x <= 1 and 0 <= y <= 1


def render(size):
    samples = 4
    rows = []
    for py in range(size):
        row = bytearray([0])
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    if not in_tile(x, y):
                        continue
                    colour = BOLT_COLOUR if inside(BOLT, x, y) else TILE
                    acc[0] += colour[0]
                    acc[1] += colour[1]
                    acc[2] += colour[2]
                    acc[3] += 255
            n = samples * samples
            alpha = acc[3] // n
            if alpha:
                covered = acc[3] // 255
                row += bytes([acc[0] // covered, acc[1] // covered, acc[2] // covered, alpha])
            else:
                row += bytes([0, 0, 0, 0])
        rows.append(bytes(row))
    raw = b"".join(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res" / "icons")
    out.mkdir(parents=True, exist_ok=True)
    for size in (16, 24, 32, 48, 64, 128, 256):
        (out / f"zolt-{size}.png").write_bytes(render(size))


if __name__ == "__main__":
    main()
