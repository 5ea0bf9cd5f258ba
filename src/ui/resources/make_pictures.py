#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script:
app.ico (128x128, 32-bit: the window icon), lock.ico (32x32, 32-bit: the
password dialogs' picture) and status.bmp (three 12x13 state pictures:
online, offline, pending). Run it again after changing a drawing."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def blank(w, h):
    return [[(0, 0, 0, 0)] * w for _ in range(h)]


def fill(px, x0, y0, x1, y1, rgba):
    for y in range(max(0, y0), min(len(px), y1)):
        for x in range(max(0, x0), min(len(px[0]), x1)):
            px[y][x] = rgba


def disc(px, cx, cy, r, rgba, edge=None):
    for y in range(len(px)):
        for x in range(len(px[0])):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r:
                px[y][x] = edge if edge and d > r - 1.2 else rgba


def dib(px, with_mask):
    """BITMAPINFOHEADER + bottom-up BGRA rows (+ AND mask for icons)."""
    h, w = len(px), len(px[0])
    height = h * 2 if with_mask else h
    header = struct.pack('<IiiHHIIiiII', 40, w, height, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(px) for (r, g, b, a) in row)
    if not with_mask:
        return header + colour
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(px):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def write_ico(name, px):
    image = dib(px, True)
    h, w = len(px), len(px[0])
    entry = struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(image), 6 + 16)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, 1) + entry + image)


def write_bmp(name, px):
    image = dib(px, False)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + len(image), 0, 0, 14 + 40) + image)


def monitor(size):
    """A dark monitor with a blue screen and a white arrow: the window icon."""
    s = size / 128
    px = blank(size, size)
    fill(px, int(8 * s), int(14 * s), int(120 * s), int(96 * s), (40, 44, 52, 255))
    fill(px, int(16 * s), int(22 * s), int(112 * s), int(88 * s), (30, 120, 215, 255))
    fill(px, int(54 * s), int(96 * s), int(74 * s), int(108 * s), (40, 44, 52, 255))
    fill(px, int(32 * s), int(108 * s), int(96 * s), int(116 * s), (40, 44, 52, 255))
    # arrow pointing right: shaft and head
    fill(px, int(36 * s), int(50 * s), int(70 * s), int(60 * s), (255, 255, 255, 255))
    for i in range(int(22 * s)):
        fill(px, int(70 * s) + i, int(44 * s) + i // 2, int(71 * s) + i, int(66 * s) - i // 2,
             (255, 255, 255, 255))
    return px


def lock():
    """A golden padlock: the password dialogs' picture."""
    px = blank(32, 32)
    gold, dark = (230, 170, 40, 255), (120, 80, 10, 255)
    for y in range(2, 16):
        for x in range(7, 25):
            d = math.hypot(x + 0.5 - 16, y + 0.5 - 14)
            if 6 <= d <= 9 and y < 15:
                px[y][x] = (150, 150, 160, 255)
    fill(px, 5, 14, 27, 30, dark)
    fill(px, 6, 15, 26, 29, gold)
    disc(px, 16, 20.5, 2.5, dark)
    fill(px, 15, 21, 17, 26, dark)
    return px


def status_strip():
    """Three 12x13 dots side by side: green online, red offline, grey pending."""
    px = blank(36, 13)
    colours = [((40, 180, 60, 255), (20, 110, 30, 255)),
               ((220, 50, 40, 255), (130, 20, 15, 255)),
               ((170, 170, 170, 255), (100, 100, 100, 255))]
    for i, (inner, edge) in enumerate(colours):
        part = blank(12, 13)
        disc(part, 6, 6.5, 5.5, inner, edge)
        for y in range(13):
            px[y][i * 12:(i + 1) * 12] = part[y]
    return px


if __name__ == '__main__':
    write_ico('app.ico', monitor(128))
    write_ico('lock.ico', lock())
    write_bmp('status.bmp', status_strip())
