#!/usr/bin/env python3
"""Draws the setup's own pictures: the page bitmaps 126-131 and the two
images (16 and 256 colours, 32x32) of icon group 102. Deterministic: the
same files come out on every run. Run it from this folder after changing a
picture; the outputs are committed beside it."""
import struct

def hills(x, y, w, h, phase):
    """Colour of a small valley landscape at (x, y), y counted from the top."""
    import math
    sky_top, sky_bottom = (40, 60, 200), (150, 190, 240)
    t = y / max(1, h - 1)
    ridge = h * (0.55 + 0.12 * math.sin((x / w) * 6.283 + phase))
    valley = h * (0.75 + 0.08 * math.sin((x / w) * 9.42 + 2 * phase))
    sun_x, sun_y, sun_r = w * 0.75, h * 0.25, h * 0.13
    if (x - sun_x) ** 2 + (y - sun_y) ** 2 <= sun_r ** 2:
        return (250, 220, 60)
    if y >= valley:
        return (40, 110 + int(40 * (y - valley) / h), 40)
    if y >= ridge:
        return (70, 140, 70)
    return tuple(int(a + (b - a) * t) for a, b in zip(sky_top, sky_bottom))

def bmp24(w, h, pixel):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)

def palette16():
    return [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
            (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]

def palette256():
    colours = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                colours.append((r * 51, g * 51, b * 51))
    colours += [(i * 6, i * 6, i * 6) for i in range(40)]
    return colours[:256]

def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(palette[i], colour)))

def icon_image(bits, palette):
    size = 32
    indices = [[nearest(palette, icon_pixel(x, y)) for x in range(size)] for y in range(size)]
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        if bits == 4:
            row = bytearray()
            for x in range(0, size, 2):
                row.append((indices[y][x] << 4) | indices[y][x + 1])
        else:
            row = bytearray(indices[y])
        xor += row
    and_mask = bytes(4 * size)  # every pixel opaque
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, len(xor) + len(and_mask),
                       0, 0, len(palette), 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return info + pal + bytes(xor) + and_mask

def icon_pixel(x, y):
    # A round badge: the valley inside a dark blue ring.
    cx = cy = 15.5
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 > 15.5 ** 2:
        return (255, 255, 255)
    if d2 > 13 ** 2:
        return (20, 40, 120)
    return hills(x, y, 32, 32, 0.8)

def write_icon(path):
    images = [icon_image(4, palette16()), icon_image(8, palette256())]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for image, colours in zip(images, (16, 0)):
        entries += struct.pack("<BBBBHHII", 32, 32, colours, 0, 1, 4 if colours else 8,
                               len(image), offset)
        offset += len(image)
    with open(path, "wb") as f:
        f.write(header + entries + b"".join(images))

if __name__ == "__main__":
    for n, bitmap_id in enumerate(range(126, 132)):
        with open(f"page{bitmap_id}.bmp", "wb") as f:
            f.write(bmp24(64, 48, lambda x, y, p=n * 0.9: hills(x, y, 64, 48, p)))
    write_icon("setup.ico")
