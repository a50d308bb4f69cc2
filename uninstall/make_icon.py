#!/usr/bin/python3
"""Draws Uninstall's icon (a small calendar sheet with a red cross) and writes
it as a Windows .ico file with 16x16 and 32x32 images, 32 bits per pixel.
Pure arithmetic, no input files: the same script always writes the same bytes.

    make_icon.py <output.ico>
"""
import struct
import sys


def pixel(x, y, size):
    """BGRA of one pixel, y counted from the top."""
    s = size / 32.0
    left, right, top, bottom = 3 * s, 29 * s, 4 * s, 29 * s
    if not (left <= x < right and top <= y < bottom):
        return (0, 0, 0, 0)
    edge = x < left + s or x >= right - s or y < top + s or y >= bottom - s
    if edge:
        return (0x8B, 0x58, 0x19, 0xFF)          # dark blue frame
    if y < 11 * s:
        return (0xC8, 0x84, 0x2A, 0xFF)          # blue header band
    # the red cross of "remove" over the white sheet
    cx, cy = x - 16 * s, y - 20 * s
    if abs(abs(cx) - abs(cy)) < 1.6 * s and abs(cx) < 6 * s:
        return (0x30, 0x30, 0xD8, 0xFF)
    if int((x - left) / (4 * s)) % 2 == int((y - top) / (4 * s)) % 2:
        return (0xF4, 0xF4, 0xF4, 0xFF)          # faint day grid
    return (0xFF, 0xFF, 0xFF, 0xFF)


def image(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):            # bottom-up
        rows.append(b''.join(bytes(pixel(x, y, size)) for x in range(size)))
    mask_row = b'\0' * (((size + 31) // 32) * 4)
    return header + b''.join(rows) + mask_row * size


def main():
    sizes = [16, 32]
    images = [image(n) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(sys.argv[1], 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
