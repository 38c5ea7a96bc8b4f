#!/usr/bin/env python3
"""Writes send.ico, the add-in's button image: a paper plane flying right.

One 32 x 32 image, 32 bits per pixel with straight alpha, anti-aliased by
8 x 8 supersampling. The plane is two triangles that meet along the line from
its nose to the notch of its tail: a light upper wing over a darker lower one,
so the glyph keeps its shape on light and dark ribbons alike.

    python3 make_send_icon.py [OUTPUT]   (default: send.ico beside this script)
"""
import os
import struct
import sys

SIZE = 32
SAMPLES = 8

NOSE = (29.5, 16.0)
TAIL_TOP = (2.5, 4.5)
TAIL_BOTTOM = (2.5, 27.5)
NOTCH = (9.5, 16.0)

# (triangle, colour as (blue, green, red)); the first that holds a sample wins.
WINGS = [
    ((TAIL_TOP, NOSE, NOTCH), (0xF0, 0x9C, 0x3C)),     # upper wing, light blue
    ((NOTCH, NOSE, TAIL_BOTTOM), (0xB8, 0x5A, 0x14)),  # lower wing, dark blue
]


def inside(point, triangle):
    """True when point lies inside triangle (either winding)."""
    (px, py), ((ax, ay), (bx, by), (cx, cy)) = point, triangle
    d1 = (px - bx) * (ay - by) - (ax - bx) * (py - by)
    d2 = (px - cx) * (by - cy) - (bx - cx) * (py - cy)
    d3 = (px - ax) * (cy - ay) - (cx - ax) * (py - ay)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def pixel(x, y):
    """BGRA of the pixel whose top-left corner is (x, y)."""
    hits = []
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            point = (x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
            for triangle, colour in WINGS:
                if inside(point, triangle):
                    hits.append(colour)
                    break
    if not hits:
        return (0, 0, 0, 0)
    channels = [round(sum(c[i] for c in hits) / len(hits)) for i in range(3)]
    return (*channels, round(255 * len(hits) / SAMPLES**2))


def icon_bytes():
    rows = [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]
    # A DIB is stored bottom-up; its height counts the colour and mask halves.
    colour = b"".join(bytes(v for p in row for v in p) for row in reversed(rows))
    mask = b""
    for row in reversed(rows):
        bits = 0
        for x, p in enumerate(row):
            if p[3] == 0:
                bits |= 1 << (SIZE - 1 - x)
        mask += struct.pack(">I", bits)  # 32 pixels: one 4-byte, already aligned row
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    image = header + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "send.ico")
    with open(out, "wb") as f:
        f.write(icon_bytes())


if __name__ == "__main__":
    main()
