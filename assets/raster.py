# A small anti-aliased 2D rasteriser and PNG writer for the game's pictures (standard library only).
"""Shapes are signed distance functions (negative inside); a pixel's coverage is taken
from the distance at its centre, which gives one-pixel anti-aliasing without
supersampling.  Colours are (r, g, b, a) tuples of floats in 0..1.  The canvas keeps
premultiplied RGBA floats and composites every shape "over" what is already there."""

import math
import os
import struct
import subprocess
import zlib


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def rgb(hexstr, alpha=1.0):
    """'#rrggbb' to a colour tuple."""
    h = hexstr.lstrip('#')
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


def shade(colour, factor):
    """Darker (factor < 1) or lighter towards white (factor > 1) version of a colour."""
    r, g, b, a = colour
    if factor <= 1.0:
        return (r * factor, g * factor, b * factor, a)
    t = clamp(factor - 1.0)
    return (r + (1 - r) * t, g + (1 - g) * t, b + (1 - b) * t, a)


def with_alpha(colour, alpha):
    return (colour[0], colour[1], colour[2], alpha)


# ---------------------------------------------------------------- distance functions

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Approximate distance: exact on the axes, good enough for soft highlights.
    k = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k


def round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return d


def segment(ax, ay, bx, by, r):
    """Capsule around the segment a-b with radius r."""
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def d(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return d


def polygon(points):
    """Signed distance to a simple polygon given as [(x, y), ...]."""
    n = len(points)

    def d(x, y):
        best = float('inf')
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
            best = min(best, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -best if inside else best
    return d


def annulus(sdf, thickness):
    """A ring of the given thickness centred on the outline of a shape."""
    return lambda x, y: abs(sdf(x, y)) - thickness / 2.0


def inset(sdf, amount):
    return lambda x, y: sdf(x, y) + amount


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


# ---------------------------------------------------------------- paints

def solid(colour):
    return lambda x, y: colour


def linear(x0, y0, x1, y1, stops):
    """Gradient along the line (x0, y0)-(x1, y1); stops = [(t, colour), ...] sorted by t."""
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy or 1e-9

    def p(x, y):
        return _stop_colour(stops, ((x - x0) * dx + (y - y0) * dy) / ll)
    return p


def radial(cx, cy, r, stops):
    def p(x, y):
        return _stop_colour(stops, math.hypot(x - cx, y - cy) / r)
    return p


def _stop_colour(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / ((t1 - t0) or 1e-9))
    return stops[-1][1]


# ---------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [0.0] * (w * h * 4)  # premultiplied r, g, b, a

    def _bounds(self, box):
        if box is None:
            return 0, 0, self.w, self.h
        x0, y0, x1, y1 = box
        return (max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1),
                min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1))

    def blend(self, i, colour, cover):
        """Composites one colour with extra coverage over pixel index i (source over)."""
        a = colour[3] * cover
        if a <= 0.0:
            return
        px = self.px
        k = i * 4
        inv = 1.0 - a
        px[k] = colour[0] * a + px[k] * inv
        px[k + 1] = colour[1] * a + px[k + 1] * inv
        px[k + 2] = colour[2] * a + px[k + 2] * inv
        px[k + 3] = a + px[k + 3] * inv

    def fill(self, sdf, paint, box=None, soft=1.0):
        """Fills a shape; 'soft' is the width of its anti-aliased (or feathered) edge in pixels."""
        x0, y0, x1, y1 = self._bounds(box)
        for y in range(y0, y1):
            for x in range(x0, x1):
                d = sdf(x + 0.5, y + 0.5)
                cover = clamp(0.5 - d / soft)
                if cover > 0.0:
                    self.blend(y * self.w + x, paint(x + 0.5, y + 0.5), cover)

    def fill_mask(self, mask, paint, dx=0, dy=0):
        """Composites a coverage mask (a Mask) placed at (dx, dy) with a paint."""
        for y in range(mask.h):
            ty = y + dy
            if ty < 0 or ty >= self.h:
                continue
            for x in range(mask.w):
                c = mask.v[y * mask.w + x]
                tx = x + dx
                if c > 0.0 and 0 <= tx < self.w:
                    self.blend(ty * self.w + tx, paint(tx + 0.5, ty + 0.5), c)

    def draw(self, other, dx=0, dy=0, opacity=1.0):
        """Composites another canvas over this one at an offset."""
        for y in range(other.h):
            ty = y + dy
            if ty < 0 or ty >= self.h:
                continue
            for x in range(other.w):
                tx = x + dx
                if tx < 0 or tx >= self.w:
                    continue
                k = (y * other.w + x) * 4
                a = other.px[k + 3] * opacity
                if a <= 0.0:
                    continue
                j = (ty * self.w + tx) * 4
                inv = 1.0 - a
                for c in range(3):
                    self.px[j + c] = other.px[k + c] * opacity + self.px[j + c] * inv
                self.px[j + 3] = a + self.px[j + 3] * inv

    def alpha_mask(self):
        m = Mask(self.w, self.h)
        m.v = self.px[3::4]
        return m

    def rgba_bytes(self, binary_alpha=False):
        """8-bit straight-alpha RGBA.  With binary_alpha every pixel becomes fully opaque
        (coverage of one half or more) or fully transparent."""
        out = bytearray(self.w * self.h * 4)
        px = self.px
        for i in range(self.w * self.h):
            k = i * 4
            a = px[k + 3]
            if a <= 1e-6 or (binary_alpha and a < 0.5):
                continue  # fully transparent pixels stay 0, 0, 0, 0
            a = min(a, 1.0)
            for c in range(3):
                out[k + c] = int(round(clamp(px[k + c] / a) * 255))
            out[k + 3] = 255 if binary_alpha else int(round(a * 255))
        return bytes(out)

    def save_png(self, path, binary_alpha=False):
        write_png(path, self.w, self.h, self.rgba_bytes(binary_alpha))


class Mask:
    """A grey coverage map (floats 0..1)."""

    def __init__(self, w, h, values=None):
        self.w, self.h = w, h
        self.v = values if values is not None else [0.0] * (w * h)

    def blurred(self, radius):
        """Gaussian blur (separable, sigma = radius / 2); the mask grows by 'radius' on each side."""
        r = int(math.ceil(radius))
        sigma = max(radius / 2.0, 0.5)
        kernel = [math.exp(-(i * i) / (2 * sigma * sigma)) for i in range(-r, r + 1)]
        total = sum(kernel)
        kernel = [k / total for k in kernel]
        w, h = self.w + 2 * r, self.h + 2 * r
        src = [0.0] * (w * h)
        for y in range(self.h):
            src[(y + r) * w + r:(y + r) * w + r + self.w] = self.v[y * self.w:(y + 1) * self.w]
        tmp = [0.0] * (w * h)
        for y in range(h):
            row = y * w
            for x in range(w):
                s = 0.0
                for i, k in enumerate(kernel):
                    xx = x + i - r
                    if 0 <= xx < w:
                        s += src[row + xx] * k
                tmp[row + x] = s
        out = [0.0] * (w * h)
        for y in range(h):
            for x in range(w):
                s = 0.0
                for i, k in enumerate(kernel):
                    yy = y + i - r
                    if 0 <= yy < h:
                        s += tmp[yy * w + x] * k
                out[y * w + x] = s
        return Mask(w, h, out), r

    def scaled(self, factor):
        return Mask(self.w, self.h, [clamp(v * factor) for v in self.v])


def text_mask(text, font, size, w, h, dx=0, dy=0, gravity='center', kerning=0, stroke=0):
    """Renders text with ImageMagick into a w x h coverage mask (white text on black).
    'stroke' widens the glyphs by that many pixels (for outlines)."""
    cmd = ['convert', '-size', '%dx%d' % (w, h), 'xc:black', '-font', font, '-pointsize', str(size),
           '-fill', 'white', '-gravity', gravity, '-kerning', str(kerning)]
    if stroke > 0:
        cmd += ['-stroke', 'white', '-strokewidth', str(stroke)]
    cmd += ['-annotate', '%+d%+d' % (dx, dy), text, '-depth', '8', 'gray:-']
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    if len(data) != w * h:
        raise RuntimeError('unexpected text mask size from ImageMagick')
    return Mask(w, h, [b / 255.0 for b in data])


def write_png(path, w, h, rgba):
    """Writes 8-bit RGBA pixels as a PNG file (no filtering, maximum compression)."""
    raw = bytearray()
    stride = w * 4
    for y in range(h):
        raw.append(0)
        raw += rgba[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
    png = b'\x89PNG\r\n\x1a\n'
    png += chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(bytes(raw), 9))
    png += chunk(b'IEND', b'')
    os.makedirs(os.path.dirname(path) or '.', exist_ok=True)
    with open(path, 'wb') as f:
        f.write(png)


def read_png(path):
    """Reads an 8-bit RGBA, non-interlaced PNG as written by write_png (or by most tools);
    returns (w, h, rgba bytes).  Used by the checks and the frame preview."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG file: ' + path)
    pos, idat = 8, b''
    w = h = 0
    ctype = depth = 0
    while pos < len(data):
        n = struct.unpack('>I', data[pos:pos + 4])[0]
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if kind == b'IHDR':
            w, h, depth, ctype = struct.unpack('>IIBB', body[:10])
        elif kind == b'IDAT':
            idat += body
    if depth != 8 or ctype != 6:
        raise ValueError('only 8-bit RGBA PNG files are read here: ' + path)
    raw = zlib.decompress(idat)
    stride = w * 4
    out = bytearray(w * h * 4)
    prev = bytearray(stride)
    p = 0
    for y in range(h):
        ftype = raw[p]
        line = bytearray(raw[p + 1:p + 1 + stride])
        p += 1 + stride
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if ftype == 1:
                line[i] = (line[i] + a) & 255
            elif ftype == 2:
                line[i] = (line[i] + b) & 255
            elif ftype == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif ftype == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                pr = a if pa <= pb and pa <= pc else b if pb <= pc else c
                line[i] = (line[i] + pr) & 255
        out[y * stride:(y + 1) * stride] = line
        prev = line
    return w, h, bytes(out)
