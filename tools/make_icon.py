#!/usr/bin/env python3
"""Draws Tapshelf's icon (a shelf holding three app tiles) as a 16-colour .ico
with a 32x32 and a 16x16 image. Run: python3 tools/make_icon.py resources/tapshelf.ico"""
import struct
import sys

# The standard 16-colour palette (index: (r, g, b)).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
T = None  # transparent

def picture(size):
    px = [[T] * size for _ in range(size)]
    def box(x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = c
    s = size / 32.0
    def r(v):
        return int(round(v * s))
    # three tiles standing on the shelf: blue, green, red, each with a dark outline
    for x0, colour, top in ((3, 12, 9), (12, 10, 6), (21, 9, 11)):
        box(r(x0), r(top), r(x0 + 8), r(22), 0)
        box(r(x0) + 1, r(top) + 1, r(x0 + 8) - 1, r(22) - 1, colour)
        if size >= 32:
            box(r(x0) + 2, r(top) + 2, r(x0) + 4, r(top) + 4, 15)  # shine
    # the shelf plank with its darker front edge and two brackets
    box(r(1), r(22), r(31), r(25), 3)
    box(r(1), r(25), r(31), r(26), 0)
    box(r(4), r(26), r(6), r(30), 8)
    box(r(26), r(26), r(28), r(30), 8)
    return px

def image(size):
    px = picture(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor = b''
    mask = b''
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x in range(size):
            c = px[y][x]
            if c is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                c = 0
            row[x // 2] |= c << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
        mask += bytes(bits)
    return header + palette + xor + mask

def main(path):
    images = [image(32), image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)

if __name__ == '__main__':
    main(sys.argv[1])
