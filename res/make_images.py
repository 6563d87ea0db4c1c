#!/usr/bin/env python3
"""Draws the program's icon (app.ico) and the two QR-code placeholder bitmaps.

The outputs are committed; run this again only to change them:
    python3 res/make_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

ICON_SIZES = (16, 32, 48)
SUPERSAMPLING = 4

# Colours as (r, g, b).
BACKGROUND_TOP = (52, 140, 220)
BACKGROUND_BOTTOM = (18, 72, 150)
RIM = (12, 48, 104)
GLYPH = (255, 255, 255)


def rounded_square_distance(x, y, inset, radius):
    """Signed distance from (x, y) to a rounded square spanning [inset, 1 - inset]."""
    half = 0.5 - inset
    qx = abs(x - 0.5) - (half - radius)
    qy = abs(y - 0.5) - (half - radius)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def segment_distance(x, y, ax, ay, bx, by):
    """Distance from (x, y) to the segment from (ax, ay) to (bx, by)."""
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


# The hash sign: two bars across, two slanted bars down.
HASH_STROKES = (
    (0.22, 0.39, 0.80, 0.39),
    (0.20, 0.62, 0.78, 0.62),
    (0.46, 0.20, 0.38, 0.81),
    (0.66, 0.20, 0.58, 0.81),
)


def sample(x, y, size):
    """Colour and coverage of one sub-pixel sample in the unit square."""
    pixel = 1.0 / size
    body = rounded_square_distance(x, y, 0.04, 0.2)
    if body > 0:
        return None
    stroke = max(0.1, 1.7 * pixel) / 2
    if min(segment_distance(x, y, *s) for s in HASH_STROKES) <= stroke:
        return GLYPH
    if body > -pixel:
        return RIM
    return tuple(round(t + (b - t) * y) for t, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))


def render(size):
    """Rows of (b, g, r, a) pixels, top row first, with straight (not premultiplied) alpha."""
    rows = []
    n = SUPERSAMPLING
    for py in range(size):
        row = []
        for px in range(size):
            total = [0, 0, 0]
            covered = 0
            for sy in range(n):
                for sx in range(n):
                    colour = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size, size)
                    if colour:
                        covered += 1
                        for i in range(3):
                            total[i] += colour[i]
            if covered:
                r, g, b = (round(c / covered) for c in total)
                row.append((b, g, r, round(255 * covered / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon directory entry's image: a 32-bit DIB with its AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes(c for pixel in row for c in pixel) for row in reversed(rows))
    mask_stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, pixel in enumerate(row):
            if pixel[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def write_icon(path):
    images = [icon_image(size) for size in ICON_SIZES]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(ICON_SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(directory + entries + b"".join(images))


QR_MODULES = 33
QR_MODULE_PIXELS = 6
QR_QUIET_MODULES = 6
# Each item has its own fixed size in bytes; the bitmap is padded to it.
QR_ITEM_SIZES = {203: 10136, 207: 9952}


def qr_like_modules(seed):
    """A QR-looking grid (finder squares and timing lines, noise elsewhere) that encodes nothing."""
    n = QR_MODULES
    state = seed
    grid = []
    for y in range(n):
        row = []
        for x in range(n):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            row.append((state >> 16) & 1)
        grid.append(row)
    for cx, cy in ((0, 0), (n - 7, 0), (0, n - 7)):
        for y in range(-1, 8):
            for x in range(-1, 8):
                gx, gy = cx + x, cy + y
                if 0 <= gx < n and 0 <= gy < n:
                    ring = max(abs(x - 3), abs(y - 3))
                    grid[gy][gx] = 1 if ring in (0, 1, 3) else 0
    for i in range(8, n - 8):
        grid[6][i] = grid[i][6] = 1 - i % 2
    return grid


def write_qr_bitmap(path, seed, size):
    """A 1-bit bottom-up BMP of the grid, black modules on white, `size` bytes long.

    Zero bytes between the palette and the pixels, which the file header's
    pixel offset skips, make up the size."""
    grid = qr_like_modules(seed)
    side = (QR_MODULES + 2 * QR_QUIET_MODULES) * QR_MODULE_PIXELS
    stride = (side + 31) // 32 * 4
    pixels = bytearray()
    for py in reversed(range(side)):
        bits = bytearray(b"\xff" * stride)
        my = py // QR_MODULE_PIXELS - QR_QUIET_MODULES
        for px in range(side):
            mx = px // QR_MODULE_PIXELS - QR_QUIET_MODULES
            if 0 <= mx < QR_MODULES and 0 <= my < QR_MODULES and grid[my][mx]:
                bits[px // 8] &= ~(0x80 >> (px % 8)) & 0xFF
        pixels += bits
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    info = struct.pack("<IiiHHIIiiII", 40, side, side, 1, 1, 0, len(pixels), 2835, 2835, 2, 2)
    headers = 14 + len(info) + len(palette)
    gap = size - headers - len(pixels)
    assert gap >= 0, "the bitmap is larger than its item"
    file_header = struct.pack("<2sIHHI", b"BM", size, 0, 0, headers + gap)
    with open(path, "wb") as f:
        f.write(file_header + info + palette + bytes(gap) + pixels)


if __name__ == "__main__":
    write_icon(os.path.join(HERE, "app.ico"))
    for item, size in QR_ITEM_SIZES.items():
        write_qr_bitmap(os.path.join(HERE, "qrcode_%d.bmp" % item), item, size)
