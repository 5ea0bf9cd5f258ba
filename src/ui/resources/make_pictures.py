#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script:
app.ico (the window icon, 32-bit, at every size Windows asks for from 16 to
256 pixels), lock.ico (the password dialogs' picture: 32x32 and its 150% and
200% sizes) and status.bmp, status150.bmp, status200.bmp (three state
pictures side by side: online, offline, pending; 12x13 and the same at 150%
and 200%). Each size is drawn afresh, not stretched, so it stays sharp.
Run it again after changing a drawing."""
import math
import os
import struct
import zlib

# Sizes of the window icon: the shell's and the caption's at 100% to 200%,
# the 128 of the window's design and the 256 of large icon views.
APP_ICON_SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)
# The scales the pictures of the windows are drawn at: 100%, 150%, 200%.
SCALES = ((1, ''), (1.5, '150'), (2, '200'))

HERE = os.path.dirname(os.path.abspath(__file__))


def blank(w, h):
    return [[(0, 0, 0, 0)] * w for _ in range(h)]


def fill(px, x0, y0, x1, y1, rgba):
    for y in range(max(0, y0), min(len(px), y1)):
        for x in range(max(0, x0), min(len(px[0]), x1)):
            px[y][x] = rgba


def disc(px, cx, cy, r, rgba, edge=None, edge_width=1.2):
    for y in range(len(px)):
        for x in range(len(px[0])):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
            if d <= r:
                px[y][x] = edge if edge and d > r - edge_width else rgba


def scaled(pixels, scale):
    """A design size at a scale, rounded as the program rounds (halves up)."""
    return int(pixels * scale + 0.5)


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


def png(px):
    """A 32-bit PNG: the form Windows expects for a 256-pixel icon image."""
    h, w = len(px), len(px[0])
    rows = b''.join(b'\0' + bytes(c for rgba in row for c in rgba) for row in px)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data +
                struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    return (b'\x89PNG\r\n\x1a\n' +
            chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
            chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b''))


def write_ico(name, pictures):
    """An icon file holding every picture of `pictures` (smallest first)."""
    images = [png(px) if len(px) >= 256 else dib(px, True) for px in pictures]
    offset = 6 + 16 * len(images)
    entries = b''
    for px, image in zip(pictures, images):
        h, w = len(px), len(px[0])
        entries += struct.pack('<BBBBHHII', w % 256, h % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(images)) + entries + b''.join(images))


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


def lock(scale):
    """A golden padlock, 32x32 at scale 1: the password dialogs' picture."""
    size = scaled(32, scale)
    px = blank(size, size)

    def at(v):
        return scaled(v, scale)
    gold, dark = (230, 170, 40, 255), (120, 80, 10, 255)
    for y in range(at(2), at(16)):
        for x in range(at(7), at(25)):
            d = math.hypot(x + 0.5 - 16 * scale, y + 0.5 - 14 * scale)
            if 6 * scale <= d <= 9 * scale and y < at(15):
                px[y][x] = (150, 150, 160, 255)
    fill(px, at(5), at(14), at(27), at(30), dark)
    fill(px, at(6), at(15), at(26), at(29), gold)
    disc(px, 16 * scale, 20.5 * scale, 2.5 * scale, dark)
    fill(px, at(15), at(21), at(17), at(26), dark)
    return px


def status_strip(scale):
    """Three 12x13 dots at scale 1, side by side: green online, red offline,
    grey pending."""
    w, h = scaled(12, scale), scaled(13, scale)
    px = blank(3 * w, h)
    colours = [((40, 180, 60, 255), (20, 110, 30, 255)),
               ((220, 50, 40, 255), (130, 20, 15, 255)),
               ((170, 170, 170, 255), (100, 100, 100, 255))]
    for i, (inner, edge) in enumerate(colours):
        part = blank(w, h)
        disc(part, w / 2, h / 2, 5.5 * scale, inner, edge, 1.2 * scale)
        for y in range(h):
            px[y][i * w:(i + 1) * w] = part[y]
    return px


if __name__ == '__main__':
    write_ico('app.ico', [monitor(size) for size in APP_ICON_SIZES])
    write_ico('lock.ico', [lock(scale) for scale, _ in SCALES])
    for scale, suffix in SCALES:
        write_bmp('status%s.bmp' % suffix, status_strip(scale))
