#!/usr/bin/env python3
"""Draws Tindrel's icon and writes resources/tindrel.ico: 32x32 and 16x16, each in 16 and
in 256 colours. Pure Python and deterministic: the same script gives the same bytes."""

import math
import struct
from pathlib import Path

# The 16 standard VGA colours, the palette every 4-bit Windows icon uses.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# 256 colours: a 6x6x6 cube, then 40 greys.
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
PALETTE_256 = CUBE + [(round(i * 255 / 39),) * 3 for i in range(40)]


def draw(size):
    """RGB or None (transparent) per pixel: a silver disc with a blue data ring, its hole,
    and a green tick for a drive that answered."""
    pixels = []
    c = (size - 1) / 2
    for y in range(size):
        row = []
        for x in range(size):
            dx, dy = (x - c) / (size / 2), (y - c) / (size / 2)
            r = math.hypot(dx, dy)
            if r > 0.97 or r < 0.16:
                colour = None
            elif r < 0.30:
                colour = (128, 128, 128)
            elif r > 0.88:
                colour = (96, 96, 112)
            else:
                # Light from the upper left, and a blue band where the data is.
                shade = 200 + int(40 * (-dx - dy) / 2)
                colour = (shade, shade, min(255, shade + 20))
                if 0.45 < r < 0.72:
                    colour = (40, 90, 200) if (dx + dy) > -0.3 else (90, 150, 240)
            row.append(colour)
        pixels.append(row)
    # The tick, lower right.
    s = size / 32
    tick = [(17, 23), (19, 25), (21, 27), (23, 25), (25, 23), (27, 21), (29, 19), (31, 17)]
    for (x0, y0) in tick:
        for t in range(-1, 2):
            for w in range(3):
                x, y = int((x0 - 3 + w) * s * 0.95), int((y0 + t - 4) * s)
                if 0 <= x < size and 0 <= y < size:
                    pixels[y][x] = (0, 160, 0)
    return pixels


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))


def bitmap(size, bits):
    palette = VGA if bits == 4 else PALETTE_256
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bottom-up
        indices = [0 if p is None else nearest(palette, p) for p in row]
        if bits == 4:
            data = bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2))
        else:
            data = bytes(indices)
        xor_rows.append(data + b'\0' * (-len(data) % 4))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is None else 0)
        mask_bytes = mask.to_bytes((size + 7) // 8, 'big')
        and_rows.append(mask_bytes + b'\0' * (-len(mask_bytes) % 4))
    return header + colours + b''.join(xor_rows) + b''.join(and_rows)


def main():
    images = [(32, 4), (16, 4), (32, 8), (16, 8)]
    blobs = [bitmap(size, bits) for size, bits in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), blob in zip(images, blobs):
        colours = 16 if bits == 4 else 0
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b''.join(blobs)
    target = Path(__file__).resolve().parent.parent / 'resources' / 'tindrel.ico'
    target.write_bytes(out)
    print(f'{target}: {len(out)} bytes')


if __name__ == '__main__':
    main()
