#!/usr/bin/env python3
"""Draws the program's icon (the picture the About box shows) into an .ico
file of 16, 32 and 48 pixel images, for the Windows resources:

    python3 tools/windows/make_icon.py app/windows/skarn.ico
"""
import struct
import sys

SKY = (96, 160, 224)
ROCK = (120, 96, 80)
SNOW = (255, 255, 255)
GRASS = (72, 148, 64)
RUNWAY = (48, 48, 48)


def draw(size):
    at = lambda f: int(f * size + 0.5)
    px = [[SKY] * size for _ in range(size)]

    def rect(x, y, w, h, colour):
        for yy in range(max(0, y), min(size, y + h)):
            for xx in range(max(0, x), min(size, x + w)):
                px[yy][xx] = colour

    def polygon(points, colour):
        # Pixel centres inside the polygon (even-odd rule).
        for yy in range(size):
            cy = yy + 0.5
            xs = []
            for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
                if (y1 <= cy < y2) or (y2 <= cy < y1):
                    xs.append(x1 + (cy - y1) * (x2 - x1) / (y2 - y1))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                for xx in range(size):
                    if a <= xx + 0.5 < b:
                        px[yy][xx] = colour

    polygon([(at(0.0), at(0.78)), (at(0.30), at(0.22)), (at(0.45), at(0.40)), (at(0.62), at(0.12)),
             (at(1.0), at(0.78))], ROCK)
    polygon([(at(0.62), at(0.12)), (at(0.70), at(0.26)), (at(0.54), at(0.26))], SNOW)
    rect(0, at(0.72), size, size - at(0.72), GRASS)
    rect(at(0.12), at(0.82), at(0.76), max(2, at(0.08)), RUNWAY)
    f = 0.18
    while f < 0.84:
        rect(at(f), at(0.86), at(f + 0.08) - at(f) + 1, 1, SNOW)
        f += 0.16
    return px


def image(size):
    px = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''.join(bytes(c for r, g, b in px[y] for c in (b, g, r, 255)) for y in reversed(range(size)))
    mask_row = ((size + 31) // 32) * 4
    return header + rows + bytes(mask_row * size)


def main():
    sizes = [16, 32, 48]
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main()
