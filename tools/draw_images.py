#!/usr/bin/env python3
"""Draws the program's icon and the suite logo of the main window.

Usage: draw_images.py ICON_OUT LOGO_OUT

The icon group holds 48, 32 and 16 pixel images in 32-bit colour (BGRA with
an AND mask), a shield with a check mark. The logo is an 86 x 27 pixel
bitmap of 256 colours: a shield mark and three bars on the footer band's
colour, so that its plain copy sits in the band without a seam.
"""
import struct
import sys

FOOTER = (222, 239, 255)  # the band the logo is copied onto
BLUE = (48, 100, 165)
LIGHT_BLUE = (92, 150, 220)
WHITE = (255, 255, 255)
GREEN = (60, 170, 80)


def inside_shield(x, y):
    """Whether (x, y), both in 0..1 over the image, lies on the shield."""
    if y < 0.08 or y > 0.95 or x < 0.12 or x > 0.88:
        return False
    if y < 0.55:
        return True
    # Lower part narrows to a point at the bottom centre.
    half_width = 0.38 * (0.95 - y) / 0.40
    return abs(x - 0.5) <= half_width


def on_check(x, y, thickness):
    """Whether (x, y) lies on the check mark: two strokes."""
    def near_segment(ax, ay, bx, by):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= thickness * thickness
    return near_segment(0.30, 0.45, 0.45, 0.63) or near_segment(0.45, 0.63, 0.72, 0.30)


def icon_pixel(size, column, row):
    """BGRA of one pixel of the icon of SIZE pixels, row 0 at the top."""
    x = (column + 0.5) / size
    y = (row + 0.5) / size
    if not inside_shield(x, y):
        return (0, 0, 0, 0)
    thickness = max(0.07, 1.2 / size)
    if on_check(x, y, thickness):
        r, g, b = WHITE
    else:
        # A light edge on the left makes the shield read at 16 pixels too.
        r, g, b = LIGHT_BLUE if x < 0.5 - 0.30 * (1.0 if y < 0.55 else (0.95 - y) / 0.40) else BLUE
    return (b, g, r, 255)


def icon_image(size):
    """One BITMAPINFOHEADER image of an icon file: 32-bit XOR part, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in range(size - 1, -1, -1):  # bottom-up
        bits = bytearray(mask_stride)
        for column in range(size):
            b, g, r, a = icon_pixel(size, column, row)
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[column // 8] |= 0x80 >> (column % 8)
        mask += bits
    return header + bytes(xor) + bytes(mask)


def icon_file(sizes):
    images = [icon_image(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def logo_pixel(column, row):
    """RGB of one logo pixel, row 0 at the top."""
    # The mark on the left: a small shield, 21 pixels square.
    if column < 25:
        x = (column - 2 + 0.5) / 21
        y = (row - 3 + 0.5) / 21
        if 0 <= x <= 1 and 0 <= y <= 1 and inside_shield(x, y):
            return WHITE if on_check(x, y, 0.09) else BLUE
        return FOOTER
    # Three bars of falling length stand for the suite's name.
    for top, length, colour in ((6, 56, BLUE), (12, 44, LIGHT_BLUE), (18, 30, GREEN)):
        if top <= row < top + 4 and 28 <= column < 28 + length:
            return colour
    return FOOTER


def logo_file(width, height):
    palette = [FOOTER, BLUE, LIGHT_BLUE, GREEN, WHITE]
    stride = (width + 3) // 4 * 4
    pixels = bytearray()
    for row in range(height - 1, -1, -1):  # bottom-up
        line = bytearray(stride)
        for column in range(width):
            line[column] = palette.index(logo_pixel(column, row))
        pixels += line
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    colours += bytes(4 * (256 - len(palette)))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(colours)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return file_header + info + colours + bytes(pixels)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], 'wb') as out:
        out.write(icon_file([48, 32, 16]))
    with open(sys.argv[2], 'wb') as out:
        out.write(logo_file(86, 27))


if __name__ == '__main__':
    main()
