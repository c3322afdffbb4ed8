#!/usr/bin/env python3
"""Draws the program's pictures in the 16-colour VGA palette and writes them
as resource files: res/ombrix.ico (icon group 1800) and res/rename.ico (icon
group 1801 of the rename dialog). Each holds an image for the small and the
large icon size of the usual display scalings (100 % to 200 %), so Windows
never has to stretch one.
Run from the repository root; the output is committed, so the build does not
need Python."""
import struct
import sys

PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, NAVY, SILVER, GREY, RED, BLUE, YELLOW, WHITE = 0, 1, 4, 7, 8, 9, 12, 11, 15
TRANSPARENT = None


def launcher_icon(size):
    """A blue disc with a dark shadow and a yellow plus: a launcher by the clock."""
    px = [[TRANSPARENT] * size for _ in range(size)]
    c = (size - 1) / 2.0
    r = size * 0.44
    for y in range(size):
        for x in range(size):
            d = ((x - c) ** 2 + (y - c) ** 2) ** 0.5
            ds = ((x - c - size * 0.06) ** 2 + (y - c - size * 0.06) ** 2) ** 0.5
            if d <= r:
                px[y][x] = BLUE if d < r - max(1, size // 16) else NAVY
            elif ds <= r:
                px[y][x] = GREY
    arm = max(1, size // 10)
    span = int(size * 0.26)
    ci = size // 2
    for y in range(size):
        for x in range(size):
            in_h = abs(y - ci) < arm and abs(x - ci) <= span
            in_v = abs(x - ci) < arm and abs(y - ci) <= span
            if in_h or in_v:
                px[y][x] = YELLOW
    return px


def rename_icon(size):
    """A sheet with a folded corner, lines of text and a pencil across it:
    a name being written anew."""
    px = [[TRANSPARENT] * size for _ in range(size)]
    s = size / 32.0
    left, top, right, bottom = int(5 * s), int(2 * s), int(22 * s), int(28 * s)
    fold = int(6 * s)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x > right - fold + (y - top) and y < top + fold:
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = BLACK if edge else WHITE
    for line in range(4):
        y = int((9 + 4 * line) * s)
        for x in range(left + int(3 * s), right - int(3 * s)):
            px[y][x] = GREY
    # The pencil: a yellow shaft from the lower left towards the upper right,
    # a silver ferrule, a red eraser and a dark tip.
    width = max(2, int(3 * s))
    for t in range(int(22 * s)):
        cx, cy = int(9 * s) + t, int(29 * s) - t
        for k in range(width):
            x, y = cx + k, cy + k - width // 2
            if 0 <= x < size and 0 <= y < size:
                if t < int(3 * s):
                    px[y][x] = BLACK
                elif t > int(19 * s):
                    px[y][x] = RED
                elif t > int(17 * s):
                    px[y][x] = SILVER
                else:
                    px[y][x] = YELLOW if k < width - 1 else MAROON
    return px


def dib_4bpp(px, with_mask):
    h = len(px)
    w = len(px[0])
    height_field = h * 2 if with_mask else h
    header = struct.pack('<IiiHHIIiiII', 40, w, height_field, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    row_bytes = ((w * 4 + 31) // 32) * 4
    xor = b''
    for y in reversed(range(h)):
        row = bytearray(row_bytes)
        for x in range(w):
            v = px[y][x] if px[y][x] is not None else BLACK
            row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor += bytes(row)
    if not with_mask:
        return header + palette + xor
    mask_row = ((w + 31) // 32) * 4
    mask = b''
    for y in reversed(range(h)):
        row = bytearray(mask_row)
        for x in range(w):
            if px[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    return header + palette + xor + mask


def write_icon(path, images):
    blobs = [dib_4bpp(px, True) for px in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for px, blob in zip(images, blobs):
        size = len(px)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def main():
    # Small icons (tray, menus): 16 at 96 DPI, 20 at 120, 24 at 144, 32 at 192;
    # large ones (dialogs, Explorer): 32, 48 at 144.
    write_icon('res/ombrix.ico', [launcher_icon(size) for size in (48, 32, 24, 20, 16)])
    write_icon('res/rename.ico', [rename_icon(size) for size in (48, 32)])
    return 0


if __name__ == '__main__':
    sys.exit(main())
