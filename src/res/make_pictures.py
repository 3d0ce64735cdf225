#!/usr/bin/env python3
"""Writes the agent's icons and its bitmap next to this script.

    python3 make_pictures.py [--out DIR] [--preview DIR]

--preview also writes enlarged PNG copies, on a light and a dark background,
to look at. Standard library only; the output is byte-for-byte reproducible.
"""

import argparse
import math
import os
import struct
import zlib

# The classic 16 colours: the only ones a 4-bit icon can count on.
BLACK = (0, 0, 0)
MAROON = (128, 0, 0)
GREEN = (0, 128, 0)
OLIVE = (128, 128, 0)
NAVY = (0, 0, 128)
PURPLE = (128, 0, 128)
TEAL = (0, 128, 128)
SILVER = (192, 192, 192)
GRAY = (128, 128, 128)
RED = (255, 0, 0)
LIME = (0, 255, 0)
YELLOW = (255, 255, 0)
BLUE = (0, 0, 255)
FUCHSIA = (255, 0, 255)
AQUA = (0, 255, 255)
WHITE = (255, 255, 255)
VGA16 = [BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER,
         GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE]

# Colours of the 256-colour pictures.
DIALOG_GREY = (212, 208, 200)
BRAND = (24, 88, 184)
BRAND_LIGHT = (96, 152, 232)
BRAND_DARK = (12, 44, 108)
GOLD = (236, 196, 64)
GOLD_DARK = (168, 124, 24)
INK = (40, 40, 48)
BODY = (216, 216, 220)
BODY_LIGHT = (244, 244, 246)
BODY_SHADE = (168, 168, 176)
BODY_DARK = (112, 112, 120)
PAPER = (255, 255, 255)
PAPER_EDGE = (150, 150, 160)
SKY = (120, 184, 240)
HILL = (72, 160, 64)
HILL_DARK = (40, 112, 40)
SUN = (252, 208, 48)
LED = (48, 200, 72)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Canvas:
    """Pixels as RGB tuples, None where transparent."""

    def __init__(self, w, h, bg=None):
        self.w, self.h = w, h
        self.px = [[bg] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, c):
        """Filled, corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def shape(self, inside, c):
        """Fills every pixel whose centre satisfies inside(x, y)."""
        for y in range(self.h):
            for x in range(self.w):
                if inside(x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def disc(self, cx, cy, r, c):
        self.shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, c)

    def polygon(self, pts, c):
        def inside(x, y):
            hit = False
            j = len(pts) - 1
            for i in range(len(pts)):
                (xi, yi), (xj, yj) = pts[i], pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    hit = not hit
                j = i
            return hit
        self.shape(inside, c)

    def art(self, rows, key, x0=0, y0=0):
        """Pixel art: one string per row, one key character per pixel."""
        for y, row in enumerate(rows):
            assert len(row) == self.w - x0, row
            for x, ch in enumerate(row):
                if ch != ' ':
                    self.set(x0 + x, y0 + y, key[ch])

    def colours(self):
        seen = []
        for row in self.px:
            for c in row:
                if c is not None and c not in seen:
                    seen.append(c)
        return seen


# --- file formats ----------------------------------------------------------

def dib(canvas, bpp, palette, with_mask):
    """BITMAPINFOHEADER, palette and bottom-up rows (and the AND mask for icons)."""
    w, h = canvas.w, canvas.h
    index = {c: i for i, c in enumerate(palette)}
    stride = ((w * bpp + 31) // 32) * 4
    xor = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            c = canvas.get(x, y)
            i = 0 if c is None else index[c]
            if bpp == 8:
                row[x] = i
            else:
                row[x // 2] |= i << (4 if x % 2 == 0 else 0)
        xor += row
    mask = bytearray()
    if with_mask:
        mstride = ((w + 31) // 32) * 4
        for y in reversed(range(h)):
            row = bytearray(mstride)
            for x in range(w):
                if canvas.get(x, y) is None:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
    colours = 1 << bpp
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2 if with_mask else h, 1, bpp,
                         0, len(xor) + len(mask), 0, 0, colours, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    pal += b'\0' * (4 * (colours - len(palette)))
    return header + pal + bytes(xor) + bytes(mask)


def palette_for(canvas, bpp):
    if bpp == 4:
        for c in canvas.colours():
            if c not in VGA16:
                raise ValueError('colour %r is not one of the 16' % (c,))
        return VGA16
    # Black first: transparent pixels take index 0 under the mask.
    pal = [BLACK] + sorted(c for c in canvas.colours() if c != BLACK)
    if len(pal) > 256:
        raise ValueError('more than 256 colours')
    return pal


def ico(images):
    """images: list of (canvas, bpp)."""
    blobs = [dib(c, bpp, palette_for(c, bpp), True) for c, bpp in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (c, bpp), blob in zip(images, blobs):
        colours = 16 if bpp == 4 else 0
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, colours, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


def bmp8(canvas):
    info = dib(canvas, 8, palette_for(canvas, 8), False)
    bits_at = 14 + 40 + 4 * 256
    return struct.pack('<2sIHHI', b'BM', 14 + len(info), 0, 0, bits_at) + info


def png(canvas, scale, bg):
    raw = bytearray()
    for y in range(canvas.h * scale):
        raw.append(0)
        for x in range(canvas.w * scale):
            c = canvas.get(x // scale, y // scale)
            raw += bytes(bg if c is None else c)

    def chunk(kind, data):
        return (struct.pack('>I', len(data)) + kind + data
                + struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))
    head = struct.pack('>IIBBBBB', canvas.w * scale, canvas.h * scale, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', head)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


def side_by_side(canvases, backgrounds, gap=2):
    """One preview sheet: each picture on each background."""
    w = sum(c.w for c in canvases) + gap * (len(canvases) + 1)
    h = max(c.h for c in canvases) + 2 * gap
    sheet = Canvas(w, h * len(backgrounds))
    for row, bg in enumerate(backgrounds):
        sheet.rect(0, row * h, w - 1, row * h + h - 1, bg)
        x = gap
        for c in canvases:
            for yy in range(c.h):
                for xx in range(c.w):
                    if c.get(xx, yy) is not None:
                        sheet.set(x + xx, row * h + gap + yy, c.get(xx, yy))
            x += c.w + gap
    return sheet


# --- the pictures -----------------------------------------------------------

def tray_card():
    """Notification area: a memory card, 16 colours."""
    c = Canvas(16, 16)
    c.art([
        "  kkkkkkkkk     ",
        "  kbbbbbbbbk    ",
        "  kbybybybybk   ",
        "  kbybybybybbk  ",
        "  kbybybybybbk  ",
        "  kbbbbbbbbbbk  ",
        "  kbbbbbbbbbbk  ",
        "  kbbbbbbbbbbk  ",
        "  kbwwwwwwwwbk  ",
        "  kbwnnnnnnwbk  ",
        "  kbwwwwwwwwbk  ",
        "  kbwnnnnwwwbk  ",
        "  kbwwwwwwwwbk  ",
        "  kbbbbbbbbbbk  ",
        "  kbbbbbbbbbbk  ",
        "  kkkkkkkkkkkk  ",
    ], {'k': BLACK, 'b': BLUE, 'y': YELLOW, 'w': WHITE, 'n': NAVY})
    return c


def outline(c, shape, width, fill, edge, border_is_edge):
    """Paints shape's pixels into c: those within width of its outside in edge, the
    rest in fill. border_is_edge: the picture's border counts as outside."""
    n = c.w
    for y in range(n):
        for x in range(n):
            if shape.get(x, y) is None:
                continue
            near = [(x + dx, y + dy) for d in range(1, width + 1)
                    for dx, dy in ((-d, 0), (d, 0), (0, -d), (0, d))]
            if border_is_edge:
                out = any(not (0 <= nx < n and 0 <= ny < n) or shape.get(nx, ny) is None
                          for nx, ny in near)
            else:
                out = any(shape.get(nx, ny) is None for nx, ny in near if 0 <= nx < n and 0 <= ny < n)
            c.set(x, y, edge if out else fill)


def tray_card_drawn(n):
    """The same memory card drawn for n pixels: a notched card, contacts and a label."""
    k = n / 16
    c = Canvas(n, n)
    body = Canvas(n, n)
    body.polygon([(2 * k, 0), (11 * k, 0), (14 * k, 3 * k), (14 * k, n), (2 * k, n)], BLUE)
    outline(c, body, max(1, round(k)), BLUE, BLACK, border_is_edge=True)

    def box(x0, y0, x1, y1, colour):
        """A rectangle given in the 16-pixel grid, ends excluded."""
        c.rect(round(x0 * k), round(y0 * k), round(x1 * k) - 1, round(y1 * k) - 1, colour)
    for x in (4, 6, 8, 10):                                       # contacts
        box(x, 2, x + 1, 5, YELLOW)
    box(4, 8, 12, 13, WHITE)                                      # label
    box(5, 9, 11, 10, NAVY)
    box(5, 11, 9, 12, NAVY)
    return c


def tray_card_at(n):
    """The pixel art at 16, drawn anew at the other sizes."""
    return tray_card() if n == 16 else tray_card_drawn(n)


def printer_32(c, top, bottom, left, right):
    """Body of a photo printer, drawn over whatever is already there."""
    corners = [(x, y, c.get(x, y)) for x in (left, right) for y in (top, bottom)]
    c.rect(left, top, right, bottom, BODY)
    c.rect(left + 1, top + 1, right - 1, top + 4, BODY_LIGHT)      # top face
    c.rect(left + 1, top + 5, right - 1, top + 5, BODY_SHADE)      # edge of the top face
    c.rect(left + 1, bottom - 1, right - 1, bottom - 1, BODY_SHADE)
    c.frame(left, top, right, bottom, INK)
    for x, y, under in corners:                                    # rounded corners
        c.set(x, y, under)
    # Paper slot along the top face.
    c.rect(left + 6, top + 2, right - 6, top + 3, BODY_DARK)
    c.rect(left + 6, top + 3, right - 6, top + 3, INK)
    return c


def photo(c, x0, y0, x1, y1):
    """A small landscape print: white border, sky, sun and a hill."""
    c.rect(x0, y0, x1, y1, PAPER)
    c.frame(x0, y0, x1, y1, PAPER_EDGE)
    ix0, iy0, ix1, iy1 = x0 + 2, y0 + 2, x1 - 2, y1
    c.rect(ix0, iy0, ix1, iy1, SKY)
    w = ix1 - ix0
    c.disc(ix0 + w * 0.3, iy0 + 2.6, 1.8, SUN)
    def ground(x):
        return iy0 + (iy1 - iy0) * 0.55 + 2.2 * math.cos((x - ix0) / max(w, 1) * math.pi * 1.4)
    for x in range(ix0, ix1 + 1):
        top = round(ground(x + 0.5))
        for y in range(max(top, iy0), iy1 + 1):
            c.set(x, y, HILL_DARK if y == top else HILL)


def photograph(n=32):
    """The photo application's mark: a print with a white border, 16 colours.
    Laid out on the 32-pixel grid and drawn for n pixels."""
    k = n / 32
    c = Canvas(n, n)

    def box(x0, y0, x1, y1, colour, outline=False):
        """Corners included, as on the 32-pixel grid."""
        args = (round(x0 * k), round(y0 * k), round((x1 + 1) * k) - 1, round((y1 + 1) * k) - 1,
                colour)
        (c.frame if outline else c.rect)(*args)
    box(4, 7, 29, 28, GRAY)                                       # shadow
    box(2, 5, 27, 26, WHITE)
    box(2, 5, 27, 26, SILVER, outline=True)
    box(4, 7, 25, 22, AQUA)                                       # sky
    box(4, 7, 25, 8, TEAL)
    c.disc(19.5 * k, 11.5 * k, 2.6 * k, YELLOW)
    c.polygon([(x * k, y * k) for x, y in [(4, 19), (11, 12.5), (17, 19), (4, 19)]], OLIVE)
    c.polygon([(x * k, y * k) for x, y in
               [(4, 23), (4, 18), (9, 15), (16, 19), (21, 16), (26, 19), (26, 23)]], GREEN)
    box(4, 21, 25, 22, LIME)
    return c


def triangle(points, n=32):
    """A red triangle with a dark edge on a transparent ground, 16 colours; the points
    on the 32-pixel grid, drawn for n pixels with an edge as thick as the scale."""
    k = n / 32
    c = Canvas(n, n)
    inner = Canvas(n, n)
    inner.polygon([(x * k, y * k) for x, y in points], RED)
    outline(c, inner, max(1, round(k)), RED, MAROON, border_is_edge=False)
    return c


def folded(n=32):
    """The lower part is folded: the triangle points right."""
    return triangle([(10, 6), (24, 16), (10, 26)], n)


def unfolded(n=32):
    """The lower part is unfolded: the triangle points down."""
    return triangle([(6, 10), (26, 10), (16, 24)], n)


# The system asks for an icon at its icon size for the DPI: the small size for the
# notification area (16 at 96 DPI to 32 at 192), the standard one for the buttons.
SMALL_SIZES = (16, 20, 24, 32)
LARGE_SIZES = (32, 40, 48, 64)


def product_picture():
    """The printer taking a memory card, on the dialog grey."""
    c = Canvas(32, 32, DIALOG_GREY)
    photo(c, 6, 1, 19, 12)
    printer_32(c, top=10, bottom=24, left=1, right=24)
    c.rect(4, 18, 13, 19, BRAND)
    c.rect(4, 20, 13, 20, BRAND_DARK)
    c.rect(3, 25, 22, 27, BODY_SHADE)
    c.frame(3, 25, 22, 27, INK)
    # The card, upright in front of the printer's right side.
    x0, y0, x1, y1, cut = 18, 14, 29, 30, 4
    outline = [(x0, y0), (x1 + 1 - cut, y0), (x1 + 1, y0 + cut), (x1 + 1, y1 + 1),
               (x0, y1 + 1)]
    c.polygon(outline, INK)
    inner = [(x0 + 1, y0 + 1), (x1 - cut + 0.6, y0 + 1), (x1, y0 + cut + 0.4),
             (x1, y1), (x0 + 1, y1)]
    c.polygon(inner, BRAND)
    for x in range(x0 + 2, x1 - 1, 2):                            # contacts
        c.rect(x, y0 + 2, x, y0 + 5, GOLD)
        c.set(x, y0 + 5, GOLD_DARK)
    c.rect(x0 + 2, y0 + 8, x1 - 2, y1 - 2, PAPER)                 # label
    c.rect(x0 + 3, y0 + 10, x1 - 3, y0 + 10, BRAND_LIGHT)
    c.rect(x0 + 3, y0 + 12, x1 - 5, y0 + 12, BRAND_LIGHT)
    c.rect(x0 + 1, y0 + 1, x0 + 1, y1, BRAND_LIGHT)               # lit left side
    c.rect(x0 + 2, y1, x1, y1, BRAND_DARK)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser()
    ap.add_argument('--out', default=here)
    ap.add_argument('--preview')
    args = ap.parse_args()

    icons = {
        'tray.ico': [(tray_card_at(n), 4) for n in SMALL_SIZES],
        'photo_app.ico': [(photograph(n), 4) for n in LARGE_SIZES],
        'folded.ico': [(folded(n), 4) for n in LARGE_SIZES],
        'unfolded.ico': [(unfolded(n), 4) for n in LARGE_SIZES],
    }
    picture = product_picture()
    for name, images in icons.items():
        with open(os.path.join(args.out, name), 'wb') as f:
            f.write(ico(images))
    with open(os.path.join(args.out, 'picture.bmp'), 'wb') as f:
        f.write(bmp8(picture))

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        backgrounds = [(240, 240, 240), DIALOG_GREY, (32, 32, 36), (0, 84, 160)]
        every = [img for images in icons.values() for img, _ in images] + [picture]
        with open(os.path.join(args.preview, 'pictures.png'), 'wb') as f:
            f.write(png(side_by_side(every, backgrounds), 8, (0, 0, 0)))
        with open(os.path.join(args.preview, 'pictures_1x.png'), 'wb') as f:
            f.write(png(side_by_side(every, backgrounds), 1, (0, 0, 0)))


if __name__ == '__main__':
    main()
