#!/usr/bin/env python3
"""Draws the program icon and writes it as resources/app.ico.

A framed landscape (the wallpaper) with a clock face over its lower right
corner. Six images: 32x32 and 16x16 palettized (8 bits, AND mask), and
128x128 (PNG inside the icon), 48x48, 32x32, 16x16 with alpha.

Standard library only; the output is the same byte for byte on every run.

    python3 tools/make_icon.py [output.ico]
"""

import math
import os
import struct
import sys
import zlib

# Colours, RGB.
WOOD_DARK = (92, 52, 22)
WOOD = (176, 110, 52)
WOOD_LIGHT = (222, 160, 88)
SKY_TOP = (38, 118, 214)
SKY_BOTTOM = (150, 206, 250)
SUN = (255, 204, 40)
SUN_EDGE = (240, 150, 20)
CLOUD = (255, 255, 255)
HILL_FAR = (132, 200, 84)
HILL_NEAR = (46, 142, 50)
HILL_NEAR_DARK = (30, 104, 40)
RIM = (24, 54, 112)
RIM_LIGHT = (70, 120, 200)
FACE = (255, 255, 255)
FACE_SHADE = (222, 230, 240)
HAND = (20, 24, 32)
TICK = (60, 70, 90)
DOT = (210, 36, 36)

# 16x16 is drawn by hand: at that size a smooth rendering turns the hills and
# the clock rim to mush. Frame and picture first, '.' is transparent.
FRAME_16 = [
    "................",
    "WWWWWWWWWWWWW...",
    "WaaaaaaaaaaaW...",
    "WbyYybbbbbbbW...",
    "WcYYYcccccccW...",
    "WdyYydddddddW...",
    "WeeeeeelLLleW...",
    "WffflLLLLLLLW...",
    "WfgGGhLLLLLLW...",
    "WGGGGGhLLLLLW...",
    "WGGGGGGGhLLLW...",
    "WWWWWWWWWWWWW...",
    "................",
    "................",
    "................",
    "................",
]
# The clock, laid over the frame from (7, 7); 'q' is a half-covered rim pixel.
CLOCK_16 = [
    ".qRRRRRq.",
    "qRFFKFFRq",
    "RFFFKFFFR",
    "RFFFKFFFR",
    "RFFFKKKFR",
    "RFFFFFFFR",
    "RFFFFFFFR",
    "qRFFFFFRq",
    ".qRRRRRq.",
]

# Per size: frame box and border, clock centre and radii, hand and tick sizes,
# all in pixels. Small sizes keep edges on pixel boundaries so they stay crisp.
LAYOUT = {
    32: dict(frame=(0, 2, 26, 24), border=2, bevel=False,
             clock=(23.0, 23.0), r=9.0, rim=1.6, halo=0.0, shadow=0.0,
             minute=(6.0, 1.0), hour=(4.0, 1.0), ticks=4, dot=1.0,
             sun=(0.27, 0.30, 0.15), cloud=False, samples=8),
    48: dict(frame=(0, 3, 39, 36), border=3, bevel=True,
             clock=(34.5, 34.5), r=13.5, rim=2.2, halo=1.0, shadow=0.0,
             minute=(9.5, 1.5), hour=(6.5, 1.5), ticks=12, dot=1.8,
             sun=(0.25, 0.28, 0.13), cloud=True, samples=6),
    128: dict(frame=(2, 8, 104, 96), border=8, bevel=True,
              clock=(91.0, 91.0), r=35.0, rim=5.0, halo=2.0, shadow=3.0,
              minute=(25.0, 2.6), hour=(17.0, 3.4), ticks=12, dot=4.0,
              sun=(0.24, 0.27, 0.11), cloud=True, samples=4),
}


def lerp(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def in_ellipse(x, y, cx, cy, rx, ry):
    dx = (x - cx) / rx
    dy = (y - cy) / ry
    return dx * dx + dy * dy <= 1.0


def in_bar(x, y, cx, cy, angle, length, half_width, back):
    # A straight hand from the centre; angle 0 points to twelve, clockwise.
    ux, uy = math.sin(angle), -math.cos(angle)
    dx, dy = x - cx, y - cy
    along = dx * ux + dy * uy
    across = -dx * uy + dy * ux
    return -back <= along <= length and abs(across) <= half_width


def picture(p, x, y):
    """Colour of the landscape inside the frame at (x, y)."""
    x0, y0, x1, y1 = p["inner"]
    w, h = x1 - x0, y1 - y0
    u, v = (x - x0) / w, (y - y0) / h
    if in_ellipse(u, v, 0.15, 1.10, 0.55, 0.50):
        return HILL_NEAR_DARK if p["bevel"] and v > 0.9 else HILL_NEAR
    if in_ellipse(u, v, 0.72, 1.02, 0.56, 0.55):
        return HILL_FAR
    if p["cloud"]:
        for cu, cv, cr in ((0.55, 0.30, 0.09), (0.64, 0.25, 0.11), (0.73, 0.31, 0.08)):
            if in_ellipse(u, v, cu, cv, cr * h / w, cr):
                return CLOUD
    su, sv, sr = p["sun"]
    d = math.hypot((u - su) * w, (v - sv) * h) / h
    if d <= sr:
        return SUN if d <= sr * 0.8 or not p["bevel"] else SUN_EDGE
    return lerp(SKY_TOP, SKY_BOTTOM, v * 1.25)


def frame(p, x, y):
    """Colour of the picture frame, or None outside it."""
    fx0, fy0, fx1, fy1 = p["frame"]
    if not (fx0 <= x < fx1 and fy0 <= y < fy1):
        return None
    ix0, iy0, ix1, iy1 = p["inner"]
    if ix0 <= x < ix1 and iy0 <= y < iy1:
        return picture(p, x, y)
    if not p["bevel"]:
        return WOOD_DARK
    edge = max(1.0, p["border"] / 6.0)
    if (x < fx0 + edge or x >= fx1 - edge or y < fy0 + edge or y >= fy1 - edge
            or (ix0 - edge <= x < ix1 + edge and iy0 - edge <= y < iy1 + edge)):
        return WOOD_DARK
    # Light on the top and left bars, shade on the bottom and right ones.
    top_left = min(x - fx0, y - fy0)
    bottom_right = min(fx1 - x, fy1 - y)
    return WOOD_LIGHT if top_left < bottom_right else WOOD


def clock(p, x, y):
    """Colour of the clock, or None outside it; the shadow is half transparent."""
    cx, cy = p["clock"]
    r = p["r"]
    d = math.hypot(x - cx, y - cy)
    if d > r + p["halo"]:
        s = p["shadow"]
        if s and math.hypot(x - cx - s * 0.4, y - cy - s * 0.8) <= r + p["halo"]:
            return (0, 0, 0, 0.35)
        return None
    if d > r:
        return FACE + (1.0,)
    if d > r - p["rim"]:
        # The rim catches light from the top left.
        t = ((x - cx) + (y - cy)) / (2 * r) + 0.5
        return lerp(RIM_LIGHT, RIM, t * 1.4) + (1.0,) if p["bevel"] else RIM + (1.0,)
    # A round dot blurs at 32 pixels; there it is a crisp 2x2 square.
    dot_reach = d if p["bevel"] else max(abs(x - cx), abs(y - cy))
    if p["dot"] and dot_reach <= p["dot"]:
        return DOT + (1.0,)
    mlen, mhw = p["minute"]
    hlen, hhw = p["hour"]
    if in_bar(x, y, cx, cy, 0.0, mlen, mhw, mhw):
        return HAND + (1.0,)
    if in_bar(x, y, cx, cy, math.pi / 2, hlen, hhw, hhw):
        return HAND + (1.0,)
    inner = r - p["rim"]
    if p["ticks"]:
        for i in range(p["ticks"]):
            angle = 2 * math.pi * i / p["ticks"]
            quarter = (i * 4) % p["ticks"] == 0
            length = inner * (0.22 if quarter else 0.12)
            half = max(0.5, inner * (0.06 if quarter else 0.035))
            ux, uy = math.sin(angle), -math.cos(angle)
            if in_bar(x, y, cx + ux * (inner - length - inner * 0.06),
                      cy + uy * (inner - length - inner * 0.06), angle, length, half, 0.0):
                return TICK + (1.0,)
    if p["bevel"]:
        return lerp(FACE, FACE_SHADE, d / inner * ((y - cy) / inner + 1.0) * 0.6) + (1.0,)
    return FACE + (1.0,)


def sample(p, x, y):
    c = clock(p, x, y)
    if c is not None and c[3] >= 1.0:
        return c
    f = frame(p, x, y)
    if c is None:
        return f + (1.0,) if f is not None else (0, 0, 0, 0.0)
    # Shadow over the frame or over nothing.
    a = c[3]
    if f is None:
        return (0, 0, 0, a)
    return tuple(f[i] * (1 - a) for i in range(3)) + (1.0,)


def render_16():
    sky = {k: lerp(SKY_TOP, SKY_BOTTOM, i / 5) for i, k in enumerate("abcdef")}
    solid = {"W": WOOD_DARK, "Y": SUN, "L": HILL_FAR, "G": HILL_NEAR,
             "R": RIM, "F": FACE, "K": HAND}
    # Edge pixels of the hills, half hill and half what lies behind.
    soft = {"y": lambda behind: lerp(SUN, behind, 0.5),
            "l": lambda behind: lerp(HILL_FAR, behind, 0.5),
            "g": lambda behind: lerp(HILL_NEAR, behind, 0.5),
            "h": lambda behind: lerp(HILL_NEAR, HILL_FAR, 0.5)}
    rows = []
    for y, line in enumerate(FRAME_16):
        row = []
        for x, ch in enumerate(line):
            if ch == ".":
                colour, alpha = (0, 0, 0), 0.0
            elif ch in soft:
                colour, alpha = soft[ch](sky["abcdef"[min(max(y - 2, 0), 5)]]), 1.0
            else:
                colour, alpha = sky.get(ch) or solid[ch], 1.0
            cy, cx = y - 7, x - 7
            if 0 <= cy < len(CLOCK_16) and 0 <= cx < len(CLOCK_16[0]):
                ch = CLOCK_16[cy][cx]
                if ch == "q":
                    # Rim at 45% over whatever lies below.
                    mix = 0.45 / (0.45 + alpha * 0.55)
                    colour = lerp(colour, RIM, mix)
                    alpha = 0.45 + alpha * 0.55
                elif ch != ".":
                    colour, alpha = solid[ch], 1.0
            row.append(tuple(int(round(c)) for c in colour) + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def render(size):
    """Returns rows of (r, g, b, a) tuples, 0..255, straight alpha."""
    if size == 16:
        return render_16()
    p = dict(LAYOUT[size])
    fx0, fy0, fx1, fy1 = p["frame"]
    b = p["border"]
    p["inner"] = (fx0 + b, fy0 + b, fx1 - b, fy1 - b)
    n = p["samples"]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, bl, a = sample(p, px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += bl * a
                    acc[3] += a
            if acc[3] <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            alpha = acc[3] / (n * n)
            row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3))
                       + (int(round(alpha * 255)),))
        rows.append(row)
    return rows


def quantize(rows, colours=255):
    """Median cut over the opaque pixels; index 0 stays black for the mask."""
    hist = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                hist[(r, g, b)] = hist.get((r, g, b), 0) + 1
    if len(hist) <= colours:
        palette = sorted(hist)
    else:
        boxes = [sorted(hist.items())]
        while len(boxes) < colours:
            best, best_key = None, None
            for i, box in enumerate(boxes):
                if len(box) < 2:
                    continue
                spans = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
                key = (max(spans) * sum(c[1] for c in box), -i)
                if best_key is None or key > best_key:
                    best, best_key = i, key
            if best is None:
                break
            box = boxes.pop(best)
            spans = [max(c[0][k] for c in box) - min(c[0][k] for c in box) for k in range(3)]
            axis = spans.index(max(spans))
            box.sort(key=lambda c: (c[0][axis], c[0]))
            total = sum(c[1] for c in box)
            run, cut = 0, 1
            for j, c in enumerate(box[:-1]):
                run += c[1]
                cut = j + 1
                if run * 2 >= total:
                    break
            boxes[best:best] = [box[:cut], box[cut:]]
        palette = []
        for box in boxes:
            w = sum(c[1] for c in box)
            palette.append(tuple(int(round(sum(c[0][k] * c[1] for c in box) / w)) for k in range(3)))
    palette = [(0, 0, 0)] + palette
    cache = {}

    def nearest(col):
        if col not in cache:
            cache[col] = min(range(1, len(palette)),
                             key=lambda i: sum((palette[i][k] - col[k]) ** 2 for k in range(3)))
        return cache[col]

    indices = [[nearest(px[:3]) if px[3] >= 128 else 0 for px in row] for row in rows]
    return palette + [(0, 0, 0)] * (256 - len(palette)), indices


def and_mask(opaque_rows):
    stride = ((len(opaque_rows[0]) + 31) // 32) * 4
    out = bytearray()
    for row in reversed(opaque_rows):
        bits = bytearray(stride)
        for x, opaque in enumerate(row):
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bits
    return bytes(out)


def dib_header(size, bpp, image_bytes):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, image_bytes, 0, 0,
                       256 if bpp == 8 else 0, 0)


def bmp_8bit(rows):
    size = len(rows)
    palette, indices = quantize(rows)
    stride = (size + 3) & ~3
    pixels = bytearray()
    for row in reversed(indices):
        pixels += bytes(row) + bytes(stride - size)
    mask = and_mask([[px[3] >= 128 for px in row] for row in rows])
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return dib_header(size, 8, len(pixels) + len(mask)) + pal + bytes(pixels) + mask


def bmp_32bit(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a)) if a else bytes(4)
    mask = and_mask([[px[3] > 0 for px in row] for row in rows])
    return dib_header(size, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def png(rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b, a in row:
            raw += bytes((r, g, b, a)) if a else bytes(4)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def build_icon():
    images = {s: render(s) for s in (16, 32, 48, 128)}
    entries = [
        (32, 8, bmp_8bit(images[32])),
        (16, 8, bmp_8bit(images[16])),
        (128, 32, png(images[128])),
        (48, 32, bmp_32bit(images[48])),
        (32, 32, bmp_32bit(images[32])),
        (16, 32, bmp_32bit(images[16])),
    ]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, bpp, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bpp, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    return bytes(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "app.ico")
    data = build_icon()
    with open(target, "wb") as f:
        f.write(data)
    print(f"{target}: {len(data)} bytes")


if __name__ == "__main__":
    main()
