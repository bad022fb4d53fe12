#!/usr/bin/python3
# Draws every picture of the game into assets/image/ and the contact sheet docs/assets.png.
"""Usage: /usr/bin/python3 assets/generate_images.py [--no-sheet]

One palette and one style for everything: dark navy panels, light cyan lines,
glossy balls.  Texts are rendered with ImageMagick from the DejaVu fonts and then
shaded here, so the look does not depend on the renderer's colours."""

import math
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from raster import (Canvas, Mask, annulus, circle, ellipse, linear, mix, polygon, radial,  # noqa: E402
                    read_png, rgb, round_rect, shade, solid, subtract, with_alpha)

HERE = os.path.dirname(os.path.abspath(__file__))
IMAGE_DIR = os.path.join(HERE, 'image')
SHEET = os.path.join(HERE, '..', 'docs', 'assets.png')

FONT_DIR = '/usr/share/fonts/truetype/dejavu/'
FONT_BOLD = FONT_DIR + 'DejaVuSans-Bold.ttf'
FONT_BOLD_OBLIQUE = FONT_DIR + 'DejaVuSans-BoldOblique.ttf'
FONT_CONDENSED_BOLD = FONT_DIR + 'DejaVuSansCondensed-Bold.ttf'

# The palette.
NAVY_OUTLINE = rgb('#0a1430')
PANEL_TOP = rgb('#24365f')
PANEL_BOTTOM = rgb('#0c1330')
LINE_LIGHT = rgb('#bdf0ff')
LINE_MID = rgb('#5cc8f0')
LINE_DEEP = rgb('#1f6fa8')
WHITE = (1.0, 1.0, 1.0, 1.0)
GOLD = rgb('#ffc83c')
CYAN = rgb('#4cd8ff')

# Lane colours in lane order. The first lanes (the ones used with few keys) are the
# most different from each other; all are dark enough for a white key letter on top.
LANE_COLOURS = [
    rgb('#e0304e'),  # red
    rgb('#3a74f0'),  # blue
    rgb('#2fb44e'),  # green
    rgb('#e4bc1e'),  # amber
    rgb('#9150e8'),  # purple
    rgb('#18a8c8'),  # cyan
    rgb('#f5781e'),  # orange
    rgb('#e040b0'),  # magenta
    rgb('#84b41c'),  # lime
    rgb('#148c78'),  # teal
    rgb('#8890a8'),  # silver
    rgb('#a0643c'),  # copper
]


def glossy_ball(c, cx, cy, r, base):
    """A shiny ball: shaded body, dark rim, soft reflected light below and a highlight above."""
    box = (cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1)
    c.fill(circle(cx, cy, r), radial(cx - 0.32 * r, cy - 0.38 * r, 1.45 * r,
                                     [(0.0, shade(base, 1.45)), (0.35, shade(base, 1.05)),
                                      (0.75, base), (1.0, shade(base, 0.5))]), box)
    c.fill(annulus(circle(cx, cy, r - 0.6), 1.2), solid(with_alpha(shade(base, 0.35), 0.9)), box)
    c.fill(ellipse(cx, cy + 0.58 * r, 0.5 * r, 0.2 * r), solid(with_alpha(shade(base, 1.5), 0.45)), box,
           soft=max(2.0, r * 0.2))
    c.fill(ellipse(cx - 0.04 * r, cy - 0.48 * r, 0.62 * r, 0.34 * r),
           linear(0, cy - 0.82 * r, 0, cy - 0.14 * r, [(0.0, with_alpha(WHITE, 0.9)), (1.0, with_alpha(WHITE, 0.06))]),
           box, soft=1.2)


def make_lane_balls():
    size = 64
    for i, colour in enumerate(LANE_COLOURS):
        c = Canvas(size, size)
        glossy_ball(c, size / 2.0, size / 2.0, size / 2.0 - 1.5, colour)
        c.save_png(os.path.join(IMAGE_DIR, 'key%d.png' % i))


def make_loading_balls():
    size = 32
    for i, colour in enumerate([CYAN, rgb('#ff5ca0')]):
        c = Canvas(size, size)
        glossy_ball(c, size / 2.0, size / 2.0, size / 2.0 - 1.5, colour)
        c.save_png(os.path.join(IMAGE_DIR, 'ball%d.png' % i))


def make_target():
    """The hollow target at the top of a lane; a held lane's ball shows through its middle."""
    size = 64
    c = Canvas(size, size)
    cx = cy = size / 2.0
    r = size / 2.0 - 1.5
    c.fill(circle(cx, cy, r - 4), solid(with_alpha(LINE_LIGHT, 0.10)))
    c.fill(annulus(circle(cx, cy, r - 7.5), 3.0), solid(with_alpha(LINE_MID, 0.25)), soft=2.5)
    c.fill(annulus(circle(cx, cy, r - 3), 6.0), solid(with_alpha(NAVY_OUTLINE, 0.85)))
    c.fill(annulus(circle(cx, cy, r - 3), 4.2),
           linear(0, cy - r, 0, cy + r, [(0.0, rgb('#f2fbff')), (0.5, LINE_LIGHT), (1.0, LINE_MID)]))
    c.fill(annulus(circle(cx, cy, r * 0.42), 1.2), solid(with_alpha(LINE_LIGHT, 0.45)))
    c.save_png(os.path.join(IMAGE_DIR, 'ball.png'))


def make_arrows():
    size = 24
    for name, pts in (('right_arrow', [(8.0, 5.0), (18.5, 12.0), (8.0, 19.0)]),
                      ('left_arrow', [(16.0, 5.0), (5.5, 12.0), (16.0, 19.0)])):
        shape = polygon(pts)
        glow_layer = Canvas(size, size)
        glow_layer.fill(lambda x, y, s=shape: s(x, y) - 1.5, solid(WHITE))
        glow, pad = glow_layer.alpha_mask().blurred(3)
        c = Canvas(size, size)
        c.fill_mask(glow.scaled(0.55), solid(CYAN), -pad, -pad)
        c.fill(lambda x, y, s=shape: s(x, y) - 2.2, solid(NAVY_OUTLINE))
        c.fill(lambda x, y, s=shape: s(x, y) - 1.2,
               linear(0, 5, 0, 19, [(0.0, rgb('#f2fbff')), (0.45, LINE_LIGHT), (1.0, LINE_MID)]))
        c.save_png(os.path.join(IMAGE_DIR, name + '.png'))


def make_frame():
    """Frame for framed boxes: a 3 x 3 grid of 10-pixel cells. The border fills the outer
    4 pixels, is uniform along the edge cells (they are repeated) and its inner edge is
    rounded in the corners; the centre stays transparent.

    Boxes are built by repeating the edge cells and then laying the corners over the last
    tiles, so a corner must be opaque wherever an edge cell is: the outer corners are
    therefore square. Pure white is avoided, since white marks the inside of a box, and
    every pixel is either opaque or transparent, since half-transparent pixels would be
    blended with that white."""
    size = 30
    c = Canvas(size, size)
    band = 4.0
    shape = subtract(round_rect(0.0, 0.0, size, size, 0.0), round_rect(band, band, size - band, size - band, 5.0))
    colours = [LINE_DEEP, rgb('#a8e8ff'), rgb('#d4f4ff'), LINE_DEEP]

    def paint(x, y):
        d = min(x, y, size - x, size - y)
        return colours[min(int(d), len(colours) - 1)]
    c.fill(shape, paint)
    c.save_png(os.path.join(IMAGE_DIR, 'frame.png'), binary_alpha=True)


def make_panels():
    # Song card background: stretched to the card, so it stays smooth and has no fine detail.
    w, h = 400, 120
    c = Canvas(w, h)
    # Corners: rounded just enough to stay under the frame's border at any stretch.
    body = round_rect(2.0, 2.0, w - 2.0, h - 2.0, 4.0)
    c.fill(body, linear(0, 2, 0, h - 2, [(0.0, with_alpha(PANEL_TOP, 0.92)), (1.0, with_alpha(PANEL_BOTTOM, 0.92))]))
    sheen = round_rect(5.0, 5.0, w - 5.0, h * 0.45, 4.0)
    c.fill(sheen, linear(0, 5, 0, h * 0.45, [(0.0, with_alpha(WHITE, 0.10)), (1.0, with_alpha(WHITE, 0.0))]))
    c.fill(body,
           radial(w * 0.15, h * 1.1, w * 0.6, [(0.0, with_alpha(LINE_MID, 0.14)), (1.0, with_alpha(LINE_MID, 0.0))]))
    c.save_png(os.path.join(IMAGE_DIR, 'bg.png'))

    # Panel behind the rate letter: scaled by the letter's size in percent, so 100 x 100
    # pixels come out exactly as large as the letter box and its frame.
    w = h = 100
    c = Canvas(w, h)
    c.fill(round_rect(1.5, 1.5, w - 1.5, h - 1.5, 3.0),
           radial(w * 0.5, h * 0.42, w * 0.75, [(0.0, rgb('#2e3a52', 0.94)), (1.0, rgb('#0c101a', 0.94))]))
    c.fill(round_rect(4.0, 4.0, w - 4.0, h * 0.4, 3.0),
           linear(0, 4, 0, h * 0.4, [(0.0, with_alpha(WHITE, 0.08)), (1.0, with_alpha(WHITE, 0.0))]))
    c.save_png(os.path.join(IMAGE_DIR, 'bg2.png'))


def make_life_meter():
    """Life gauge: ten 10-pixel frames of one glowing bar, red at the bottom, green at the top.
    Bright bands rise through the bar; frame f is shifted up by f tenths of the band spacing,
    so the frames loop seamlessly."""
    w, h = 100, 256
    period = 64.0
    c = Canvas(w, h)
    stops = [(0.0, rgb('#5cf08a')), (0.38, rgb('#ffe14a')), (0.68, rgb('#ff9a3c')), (1.0, rgb('#ff4060'))]
    for f in range(10):
        x0 = f * 10

        def paint(x, y, x0=x0, f=f):
            base = linear(0, 0, 0, h, stops)(x, y)
            across = (x - x0 - 5.0) / 4.0  # -1 .. 1 over the bar
            light = 0.72 + 0.45 * math.cos(across * 1.3)
            phase = (y + f * period / 10.0) % period
            band = math.exp(-((phase - period / 2) / 5.0) ** 2)
            col = shade(base, light) if light <= 1.0 else shade(base, 1.0 + (light - 1.0) * 0.6)
            return mix(col, WHITE, 0.55 * band)

        c.fill(round_rect(x0 + 1.0, -4.0, x0 + 9.0, h + 4.0, 1.5), paint, (x0, 0, x0 + 10, h))
    c.save_png(os.path.join(IMAGE_DIR, 'meter.png'))


def make_result_meters():
    """Bars of the result and song screens: 100 x 100, scaled per screen; only the bottom part
    up to the value is shown, so the colour runs from a deep tone at the bottom to a bright top."""
    w, h = 100, 100
    meters = {
        'badMeter': rgb('#d83a6a'),
        'okMeter': rgb('#3d7cf5'),
        'goodMeter': rgb('#30c060'),
        'excMeter': rgb('#f0b428'),
        'comboMeter': rgb('#26c8e8'),
    }
    for name, base in meters.items():
        c = Canvas(w, h)
        x0, x1 = 14.0, 86.0

        def paint(x, y, base=base):
            col = linear(0, 0, 0, h, [(0.0, shade(base, 1.25)), (0.45, base), (1.0, shade(base, 0.55))])(x, y)
            across = (x - x0) / (x1 - x0)
            col = shade(col, 1.0 - 0.4 * across ** 3)  # round off towards the right edge
            gloss = 0.3 * math.exp(-((across - 0.3) / 0.14) ** 2) * (1.0 - 0.6 * y / h)
            return mix(col, WHITE, gloss)

        c.fill(round_rect(x0, -3.0, x1, h + 3.0, 2.0), paint)
        c.fill(annulus(round_rect(x0 + 0.5, -3.0, x1 - 0.5, h + 3.0, 2.0), 1.0), solid(with_alpha(shade(base, 0.4), 0.9)))
        c.save_png(os.path.join(IMAGE_DIR, name + '.png'))


def shaded_text(c, text, font, size, x, baseline, fill_stops, outline=3):
    """Draws text with its baseline at (x, baseline): dark outline, then a vertical gradient fill
    spanning the cap height."""
    w, h = c.w, c.h
    edge = text_mask_at(text, font, size, w, h, x, baseline, stroke=2 * outline)
    c.fill_mask(edge, solid(NAVY_OUTLINE))
    body = text_mask_at(text, font, size, w, h, x, baseline)
    cap = size * 0.73
    c.fill_mask(body, linear(0, baseline - cap, 0, baseline, fill_stops))


def text_mask_at(text, font, size, w, h, x, baseline, stroke=0):
    """Text mask with the baseline origin at (x, baseline) (no gravity)."""
    cmd = ['convert', '-size', '%dx%d' % (w, h), 'xc:black', '-font', font, '-pointsize', str(size),
           '-fill', 'white']
    if stroke:
        cmd += ['-stroke', 'white', '-strokewidth', str(stroke)]
    cmd += ['-annotate', '+%d+%d' % (x, baseline), text, '-depth', '8', 'gray:-']
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    return Mask(w, h, [b / 255.0 for b in data])


def text_width(text, font, size):
    out = subprocess.run(['convert', '-size', '2000x400', 'xc:black', '-font', font, '-pointsize', str(size),
                          '-fill', 'white', '-annotate', '+100+300', text, '-trim', '-format', '%w %X', 'info:'],
                         check=True, stdout=subprocess.PIPE, text=True).stdout.split()
    return int(out[0]), int(out[1]) - 100


DIGIT_STOPS = [(0.0, rgb('#fffdf0')), (0.45, rgb('#ffe48a')), (1.0, GOLD)]
COMBO_STOPS = [(0.0, rgb('#f4fdff')), (0.45, rgb('#a6ecff')), (1.0, CYAN)]
BASELINE = 35  # shared by the digits and the word COMBO, so they line up when drawn side by side


def make_digits():
    cw, ch = 30, 40
    c = Canvas(cw * 10, ch)
    for d in range(10):
        width, left = text_width(str(d), FONT_CONDENSED_BOLD, 38)
        cell = Canvas(cw, ch)
        shaded_text(cell, str(d), FONT_CONDENSED_BOLD, 38, (cw - width) // 2 - left, BASELINE, DIGIT_STOPS)
        c.draw(cell, d * cw, 0)
    c.save_png(os.path.join(IMAGE_DIR, 'num.png'))


def make_combo_word():
    w, h = 132, 40
    c = Canvas(w, h)
    width, left = text_width('COMBO', FONT_CONDENSED_BOLD, 30)
    # Right-aligned with a small gap: the combo number is drawn directly after the picture.
    shaded_text(c, 'COMBO', FONT_CONDENSED_BOLD, 30, w - 8 - width - left, BASELINE, COMBO_STOPS)
    c.save_png(os.path.join(IMAGE_DIR, 'Combo.png'))


def make_logo():
    w, h = 512, 384
    c = Canvas(w, h)
    baseline = 292
    size = 104
    width, left = text_width('Keyrise', FONT_BOLD_OBLIQUE, size)
    tx = (w - width) // 2 - left

    # Rising balls: a scale climbing from left to right, each ball with a fading trail below it.
    n = 7
    for i in range(n):
        t = i / (n - 1.0)
        bx = 78 + t * 356
        by = 176 - 118 * math.sin(t * math.pi / 2) ** 1.2
        r = 17 + 4 * t
        colour = LANE_COLOURS[[0, 6, 3, 2, 5, 1, 4][i]]
        trail_end = by + 70 + 40 * t
        c.fill(round_rect(bx - r * 0.55, by, bx + r * 0.55, trail_end, r * 0.55),
               linear(0, by, 0, trail_end, [(0.0, with_alpha(shade(colour, 1.3), 0.55)), (1.0, with_alpha(colour, 0.0))]),
               (bx - r, by, bx + r, trail_end + 1))
        glow = Canvas(int(2 * r + 24), int(2 * r + 24))
        glow.fill(circle(glow.w / 2.0, glow.h / 2.0, r), solid(WHITE))
        m, pad = glow.alpha_mask().blurred(8)
        c.fill_mask(m.scaled(0.5), solid(with_alpha(shade(colour, 1.4), 1.0)),
                    int(bx - glow.w / 2.0) - pad, int(by - glow.h / 2.0) - pad)
        glossy_ball(c, bx, by, r, colour)

    # Glow behind the word.
    body = text_mask_at('Keyrise', FONT_BOLD_OBLIQUE, size, w, h, tx, baseline, stroke=6)
    halo, pad = body.blurred(12)
    c.fill_mask(halo.scaled(0.85), solid(rgb('#2aa8e8')), -pad, -pad)
    shaded_text(c, 'Keyrise', FONT_BOLD_OBLIQUE, size, tx, baseline,
                [(0.0, rgb('#ffffff')), (0.5, rgb('#bdf0ff')), (1.0, rgb('#3aa6e8'))], outline=4)

    # The judgement line under the word, fading out at both ends.
    c.fill(round_rect(60, 318, w - 60, 322, 2.0),
           linear(60, 0, w - 60, 0, [(0.0, with_alpha(LINE_MID, 0.0)), (0.5, with_alpha(LINE_LIGHT, 0.95)),
                                     (1.0, with_alpha(LINE_MID, 0.0))]))
    c.save_png(os.path.join(IMAGE_DIR, 'logo.png'))


# ---------------------------------------------------------------- contact sheet

def frame_preview(path, w, h):
    """A framed card as the game builds it: card background stretched to the box, frame cells
    repeated along the edges, corners last (an independent check that the edges tile)."""
    fw, fh, frame = read_png(os.path.join(IMAGE_DIR, 'frame.png'))
    bw, bh, bg = read_png(os.path.join(IMAGE_DIR, 'bg.png'))
    out = Canvas(w, h)
    # Background: nearest-neighbour stretch is enough for a preview.
    for y in range(h):
        for x in range(w):
            k = ((y * bh // h) * bw + (x * bw // w)) * 4
            a = bg[k + 3] / 255.0
            out.blend(y * w + x, (bg[k] / 255.0, bg[k + 1] / 255.0, bg[k + 2] / 255.0, a), 1.0)
    cw, ch = fw // 3, fh // 3

    def blit(sx, sy, dx, dy):
        for y in range(ch):
            for x in range(cw):
                k = ((sy + y) * fw + sx + x) * 4
                tx, ty = dx + x, dy + y
                if 0 <= tx < w and 0 <= ty < h and frame[k + 3]:
                    out.blend(ty * w + tx, (frame[k] / 255.0, frame[k + 1] / 255.0, frame[k + 2] / 255.0,
                                            frame[k + 3] / 255.0), 1.0)
    for i in range(1, w // cw):
        blit(cw, 0, i * cw, 0)
        blit(cw, 2 * fh // 3, i * cw, h - ch)
    for j in range(1, h // ch):
        blit(0, ch, 0, j * ch)
        blit(2 * fw // 3, ch, w - cw, j * ch)
    blit(0, 0, 0, 0)
    blit(0, 2 * ch, 0, h - ch)
    blit(2 * cw, 2 * ch, w - cw, h - ch)
    blit(2 * cw, 0, w - cw, 0)
    out.save_png(path)


SHEET_ORDER = ['logo', 'left_arrow', 'right_arrow', 'frame', 'bg', 'bg2', 'ball', 'ball0', 'ball1'] + \
              ['key%d' % i for i in range(12)] + \
              ['meter', 'Combo', 'num', 'badMeter', 'okMeter', 'goodMeter', 'excMeter', 'comboMeter']


def make_sheet():
    tmp = tempfile.mkdtemp()
    try:
        files = [os.path.join(IMAGE_DIR, n + '.png') for n in SHEET_ORDER]
        preview = os.path.join(tmp, 'frame+bg on a 330x110 card.png')
        frame_preview(preview, 330, 110)
        files.append(preview)
        os.makedirs(os.path.dirname(SHEET), exist_ok=True)
        subprocess.run(['montage', '-background', '#15151c', '-fill', '#d8e4f0', '-font', FONT_BOLD,
                        '-pointsize', '11', '-label', '%t\n%wx%h'] + files +
                       ['-geometry', '200x140>+10+8', '-tile', '6x', SHEET], check=True)
    finally:
        shutil.rmtree(tmp)


def main():
    os.makedirs(IMAGE_DIR, exist_ok=True)
    steps = [make_lane_balls, make_loading_balls, make_target, make_arrows, make_frame, make_panels,
             make_life_meter, make_result_meters, make_digits, make_combo_word, make_logo]
    only = [a for a in sys.argv[1:] if not a.startswith('--')]
    for step in steps:
        if only and step.__name__ not in only:
            continue
        step()
        print('made', step.__name__)
    if '--no-sheet' not in sys.argv:
        make_sheet()
        print('made', os.path.normpath(SHEET))


if __name__ == '__main__':
    main()
