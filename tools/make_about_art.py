#!/usr/bin/env python3
"""Draws the picture of the About dialog (bitmap 1900): 96 x 120 pixels in the
16-colour VGA palette, written as res/about.bmp. The scene: an evening sky over
a taskbar whose notification area holds a row of shortcut icons, with the
program's blue disc and yellow plus raised above them.
Run from the repository root; the output is committed, so the build does not
need Python."""
import struct
import sys

WIDTH, HEIGHT = 96, 120
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
(BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
 GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE) = range(16)

# An ordered 4x4 dither, so two palette colours can blend into a gradient.
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def blank():
    return [[BLACK] * WIDTH for _ in range(HEIGHT)]


def dithered(px, top, bottom, first, second):
    """Rows top..bottom fade from colour first to colour second."""
    span = max(1, bottom - top)
    for y in range(top, bottom + 1):
        level = (y - top) * 16 // span
        for x in range(WIDTH):
            px[y][x] = second if BAYER[y % 4][x % 4] < level else first


def rect(px, x0, y0, x1, y1, colour):
    for y in range(max(0, y0), min(HEIGHT, y1 + 1)):
        for x in range(max(0, x0), min(WIDTH, x1 + 1)):
            px[y][x] = colour


def bevel(px, x0, y0, x1, y1, face, light=WHITE, dark=GREY):
    """A raised box in the manner of the classic Windows controls."""
    rect(px, x0, y0, x1, y1, face)
    rect(px, x0, y0, x1, y0, light)
    rect(px, x0, y0, x0, y1, light)
    rect(px, x0, y1, x1, y1, dark)
    rect(px, x1, y0, x1, y1, dark)


def disc(px, cx, cy, radius, colour, rim=None):
    for y in range(HEIGHT):
        for x in range(WIDTH):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if d <= radius:
                px[y][x] = rim if rim is not None and d > radius - 1.5 else colour


def plus(px, cx, cy, span, arm, colour):
    rect(px, cx - span, cy - arm, cx + span, cy + arm, colour)
    rect(px, cx - arm, cy - span, cx + arm, cy + span, colour)


def stars(px):
    for x, y in [(9, 6), (30, 12), (52, 4), (71, 15), (87, 8), (18, 24), (62, 27), (80, 33), (6, 40)]:
        px[y][x] = WHITE
    for x, y in [(40, 20), (90, 22), (25, 36)]:
        px[y][x] = SILVER


def shortcut_icon(px, x, y, colour, mark):
    """A 12 x 12 tray icon with the small arrow that marks a shortcut."""
    bevel(px, x, y, x + 11, y + 11, colour, light=SILVER, dark=BLACK)
    if mark:
        rect(px, x, y + 7, x + 4, y + 11, WHITE)
        rect(px, x + 1, y + 8, x + 3, y + 8, BLACK)
        rect(px, x + 3, y + 8, x + 3, y + 10, BLACK)


def scene():
    px = blank()
    dithered(px, 0, 59, NAVY, PURPLE)
    dithered(px, 60, 89, PURPLE, MAROON)
    stars(px)
    # The program's launcher, rising over the taskbar, with its shadow.
    disc(px, 51, 51, 24, GREY)
    disc(px, 48, 48, 24, BLUE, rim=NAVY)
    plus(px, 48, 48, 12, 3, YELLOW)
    plus(px, 47, 47, 12, 1, WHITE)
    # Rays from the disc down to the notification area.
    for i in range(4):
        x = 58 + 8 * i
        for y in range(74, 92):
            if (y + i) % 3 == 0:
                px[y][min(WIDTH - 1, x + (y - 74) // 6)] = YELLOW
    # The taskbar with its start button and the notification area on the right.
    bevel(px, 0, 92, WIDTH - 1, HEIGHT - 1, SILVER)
    bevel(px, 3, 96, 24, 108, SILVER)
    rect(px, 6, 99, 10, 105, GREEN)
    rect(px, 11, 99, 14, 105, RED)
    rect(px, 6, 102, 14, 102, SILVER)
    rect(px, 10, 99, 10, 105, SILVER)
    rect(px, 16, 101, 21, 103, BLACK)
    # The sunken notification area and its shortcut icons.
    rect(px, 30, 96, 92, 96, GREY)
    rect(px, 30, 96, 30, 115, GREY)
    rect(px, 30, 115, 92, 115, WHITE)
    rect(px, 92, 96, 92, 115, WHITE)
    for i, colour in enumerate([RED, LIME, AQUA, FUCHSIA]):
        shortcut_icon(px, 33 + 15 * i, 100, colour, mark=True)
    return px


def bitmap_4bpp(px):
    h = len(px)
    w = len(px[0])
    row_bytes = ((w * 4 + 31) // 32) * 4
    pixels = b''
    for y in reversed(range(h)):
        row = bytearray(row_bytes)
        for x in range(w):
            row[x // 2] |= px[y][x] << (4 if x % 2 == 0 else 0)
        pixels += bytes(row)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def main():
    with open('res/about.bmp', 'wb') as f:
        f.write(bitmap_4bpp(scene()))
    return 0


if __name__ == '__main__':
    sys.exit(main())
