#!/usr/bin/env python3
"""Draws the application and document icons and writes them as .ico files (PNG-compressed
images for the large sizes, 32-bit DIBs for the small ones, as Windows expects)."""
import math
import struct
import sys
import zlib
from pathlib import Path

ACCENT = (37, 99, 235)
PAPER = (250, 250, 252)
INK = (30, 41, 59)


def blend(dst, src, alpha):
    return tuple(int(d + (s - d) * alpha) for d, s in zip(dst, src))


def rounded_rect_coverage(x, y, x0, y0, x1, y1, r):
    """Approximate coverage of pixel (x, y) by a rounded rectangle, sampled 4x4."""
    hits = 0
    for sy in range(4):
        for sx in range(4):
            px, py = x + (sx + 0.5) / 4, y + (sy + 0.5) / 4
            cx = min(max(px, x0 + r), x1 - r)
            cy = min(max(py, y0 + r), y1 - r)
            if x0 <= px <= x1 and y0 <= py <= y1 and math.hypot(px - cx, py - cy) <= r:
                hits += 1
    return hits / 16


def draw_mark(pixels, size, left, top, width, height, colour):
    """A stylised 'M' with a down arrow: the Markdown mark, drawn with strokes."""
    stroke = max(1.0, width / 9)
    segments = [
        ((left, top + height), (left, top)),
        ((left, top), (left + width * 0.3, top + height * 0.5)),
        ((left + width * 0.3, top + height * 0.5), (left + width * 0.6, top)),
        ((left + width * 0.6, top), (left + width * 0.6, top + height)),
        ((left + width * 0.82, top), (left + width * 0.82, top + height)),
        ((left + width * 0.7, top + height * 0.65), (left + width * 0.82, top + height)),
        ((left + width * 0.94, top + height * 0.65), (left + width * 0.82, top + height)),
    ]
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            best = min(distance_to_segment(px, py, a, b) for a, b in segments)
            coverage = max(0.0, min(1.0, stroke / 2 - best + 0.5))
            if coverage > 0:
                r, g, b, a = pixels[y][x]
                rgb = blend((r, g, b), colour, coverage)
                pixels[y][x] = (*rgb, max(a, int(255 * coverage)))


def distance_to_segment(px, py, a, b):
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0 if length == 0 else max(0, min(1, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def app_icon(size):
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    margin, radius = size * 0.06, size * 0.2
    for y in range(size):
        for x in range(size):
            c = rounded_rect_coverage(x, y, margin, margin, size - margin, size - margin, radius)
            if c:
                pixels[y][x] = (*ACCENT, int(255 * c))
    draw_mark(pixels, size, size * 0.2, size * 0.3, size * 0.6, size * 0.4, PAPER)
    return pixels


def document_icon(size):
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    x0, x1, y0, y1 = size * 0.17, size * 0.83, size * 0.06, size * 0.94
    fold = size * 0.2
    for y in range(size):
        for x in range(size):
            c = rounded_rect_coverage(x, y, x0, y0, x1, y1, size * 0.04)
            if c and not (x + 0.5 > x1 - fold and y + 0.5 < y0 + fold and
                          (x + 0.5 - (x1 - fold)) > (y + 0.5 - y0)):
                edge = min(x + 0.5 - x0, x1 - x - 0.5, y + 0.5 - y0, y1 - y - 0.5)
                colour = INK if edge < max(1.0, size / 32) else PAPER
                pixels[y][x] = (*colour, int(255 * c))
    band_top = size * 0.55
    for y in range(int(band_top), int(size * 0.85)):
        for x in range(int(x0) + 1, int(x1)):
            pixels[y][x] = (*ACCENT, 255)
    draw_mark(pixels, size, size * 0.3, size * 0.6, size * 0.4, size * 0.2, PAPER)
    return pixels


def png_bytes(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def dib_bytes(pixels):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + colour + b"\0" * (mask_row * size)


def write_ico(path, draw, sizes):
    images = [(s, png_bytes(draw(s)) if s >= 64 else dib_bytes(draw(s))) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    path.write_bytes(out + b"".join(data for _, data in images))


def main():
    folder = Path(sys.argv[1])
    folder.mkdir(parents=True, exist_ok=True)
    write_ico(folder / "app.ico", app_icon, [16, 24, 32, 48, 64, 256])
    write_ico(folder / "document.ico", document_icon, [16, 32, 48, 64, 256])


if __name__ == "__main__":
    main()
