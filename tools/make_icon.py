#!/usr/bin/env python3
"""Draws Quillbex's icon, a snare drum seen from the side with two crossed
sticks, and writes it as a Windows .ico with 16, 32, 48 and 256 pixel images.

Regenerate the committed icon with:
    python3 tools/make_icon.py resources/quillbex.ico

Python 3 standard library only. The drawing is a list of shapes in a unit
square, painted back to front; every pixel averages a grid of samples, so the
edges are smooth at every size.
"""

import math
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)

# Drum geometry in the unit square (y grows downwards).
CENTRE_X = 0.5
RADIUS_X = 0.37      # half the drum's width
RADIUS_Y = 0.10      # half the height of the ellipse the head makes in perspective
HEAD_Y = 0.50        # centre of the top head
SHELL_TOP_Y = 0.56   # where the top rim ends and the red shell begins
SHELL_BOTTOM_Y = 0.76
BOTTOM_Y = 0.83      # centre of the bottom rim's ellipse
OUTLINE = 0.025

SHELL_RED = (196, 42, 42)
RIM_METAL = (190, 196, 204)
HEAD_CREAM = (244, 236, 222)
LUG_METAL = (222, 226, 232)
STICK_WOOD = (226, 176, 104)
DARK = (48, 30, 26)


def in_ellipse(x, y, cy, rx, ry):
    dx = (x - CENTRE_X) / rx
    dy = (y - cy) / ry
    return dx * dx + dy * dy <= 1.0


def in_cylinder(x, y, top, bottom, grow=0.0):
    """Side of a cylinder band from ellipse centre `top` to `bottom`."""
    rx, ry = RADIUS_X + grow, RADIUS_Y + grow
    if abs(x - CENTRE_X) <= rx and top <= y <= bottom:
        return True
    return in_ellipse(x, y, bottom, rx, ry)


def side_shade(x, colour):
    """Rounds a cylinder: darker towards its sides, a highlight left of centre."""
    t = max(-1.0, min(1.0, (x - CENTRE_X) / RADIUS_X))
    light = 0.72 + 0.28 * math.sqrt(max(0.0, 1.0 - t * t))
    light += 0.22 * math.exp(-((t + 0.45) ** 2) / 0.02)
    return tuple(min(255, int(c * light)) for c in colour)


def segment_distance(x, y, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)
    t = max(0.0, min(1.0, t))
    px, py = ax + t * vx, ay + t * vy
    return math.hypot(x - px, y - py)


# Sticks: from the butt end (top) to the bead resting on the head.
STICKS = (((0.10, 0.06), (0.64, 0.47)), ((0.90, 0.06), (0.36, 0.47)))
STICK_RADIUS = 0.036
BEAD_RADIUS = 0.05

# Lugs: the tension rods' housings on the front of the shell.
LUG_XS = (0.24, 0.40, 0.60, 0.76)
LUG_HALF_WIDTH = 0.028


def lug_hit(x, y):
    for lx in LUG_XS:
        if abs(x - lx) <= LUG_HALF_WIDTH:
            # The front of the shell bulges down by the ellipse's depth.
            t = (lx - CENTRE_X) / RADIUS_X
            drop = RADIUS_Y * math.sqrt(max(0.0, 1.0 - t * t))
            if SHELL_TOP_Y + drop + 0.03 <= y <= SHELL_BOTTOM_Y + drop - 0.03:
                return True
    return False


def stick_colour(x, y):
    """Colour of the sticks at (x, y), or None; the second stick lies on top."""
    colour = None
    for (ax, ay), (bx, by) in STICKS:
        d = segment_distance(x, y, ax, ay, bx, by)
        bead = math.hypot(x - bx, y - by)
        if d <= STICK_RADIUS or bead <= BEAD_RADIUS:
            colour = STICK_WOOD
        elif d <= STICK_RADIUS + OUTLINE or bead <= BEAD_RADIUS + OUTLINE:
            colour = DARK
    return colour


def sample(x, y):
    """RGBA of one sample point, painted back to front."""
    colour = None
    if in_cylinder(x, y, HEAD_Y, BOTTOM_Y, OUTLINE):
        colour = DARK
    if in_cylinder(x, y, SHELL_BOTTOM_Y, BOTTOM_Y):
        colour = side_shade(x, RIM_METAL)
    if in_cylinder(x, y, SHELL_TOP_Y, SHELL_BOTTOM_Y - 0.012):
        colour = side_shade(x, SHELL_RED)
        if lug_hit(x, y):
            colour = side_shade(x, LUG_METAL)
    if in_cylinder(x, y, HEAD_Y, SHELL_TOP_Y - 0.01):
        colour = side_shade(x, RIM_METAL)
    if in_ellipse(x, y, HEAD_Y, RADIUS_X - 0.03, RADIUS_Y - 0.025):
        colour = HEAD_CREAM
    stick = stick_colour(x, y)
    if stick is not None:
        colour = stick
    if colour is None:
        return (0, 0, 0, 0)
    return colour + (255,)


def render(size):
    """Rows of (r, g, b, a), top row first."""
    grid = 4 if size <= 64 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(grid):
                for sx in range(grid):
                    x = (px + (sx + 0.5) / grid) / size
                    y = (py + (sy + 0.5) / grid) / size
                    cr, cg, cb, ca = sample(x, y)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(a / (grid * grid))))
        rows.append(row)
    return rows


def bmp_image(rows):
    """Icon image as a 32-bit DIB with its AND mask, bottom row first."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + pixels + mask


def png_image(rows):
    size = len(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def ico_file(sizes):
    images = [png_image(render(s)) if s >= 256 else bmp_image(render(s)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        side = 0 if size >= 256 else size  # 0 stands for 256 in the directory
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUTPUT.ico")
    with open(sys.argv[1], "wb") as f:
        f.write(ico_file(SIZES))


if __name__ == "__main__":
    main()
