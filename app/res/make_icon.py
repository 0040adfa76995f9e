#!/usr/bin/env python3
"""Draws the program's icon (a white label with a barcode on a blue tile) and writes labelprint.ico.

Run it again after changing the drawing; the .ico it writes is checked in.
"""
import struct
import sys


def pixel(x, y, size):
    s = size / 16.0
    # Blue rounded tile.
    inset = 0.5 * s
    if x < inset or y < inset or x >= size - inset or y >= size - inset:
        return (0, 0, 0, 0)
    # White label.
    if 2 * s <= x < 14 * s and 3 * s <= y < 13 * s:
        # Barcode bars in the upper part of the label.
        if 4 * s <= y < 9 * s and 3 * s <= x < 13 * s:
            bars = [1, 0, 1, 1, 0, 1, 0, 0, 1, 1]
            col = int((x - 3 * s) / s)
            if bars[col % len(bars)]:
                return (20, 20, 20, 255)
        # A text line under the bars.
        if 10 * s <= y < 11 * s and 4 * s <= x < 12 * s:
            return (90, 90, 90, 255)
        return (250, 250, 250, 255)
    return (32, 96, 192, 255)


def bitmap(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b''
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            row += bytes((b, g, r, a))
        rows.append(row)
    mask_row = b'\x00' * (((size + 31) // 32) * 4)
    return header + b''.join(rows) + mask_row * size


# The caption's icon is 16 pixels at 100 % scaling, 20 at 125 %, 24 at 150 % and 32 at 200 %; the task
# switcher's is 32, 40, 48 and 64. Windows shrinks the next larger one for scalings in between.
SIZES = (16, 20, 24, 32, 40, 48, 64)


def main(out):
    images = [bitmap(size) for size in SIZES]
    data = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip(SIZES, images):
        data += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(out, 'wb') as f:
        f.write(data + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'labelprint.ico')
