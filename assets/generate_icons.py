# The desktop icon in every size the menus ask for, drawn in the logo's style.
"""Usage: /usr/bin/python3 assets/generate_icons.py

Writes icons/keyrise-<size>.png (16 to 256 pixels): a navy rounded square with the logo's
rising balls and their trails above the judgement line. Each size is drawn at that size, so
small ones stay sharp; the same on every run."""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from generate_images import (LANE_COLOURS, LINE_LIGHT, LINE_MID, PANEL_BOTTOM,  # noqa: E402
                             PANEL_TOP, glossy_ball)
from raster import Canvas, linear, round_rect, shade, with_alpha  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
ICON_DIR = os.path.join(HERE, 'icons')
SIZES = [16, 24, 32, 48, 64, 128, 256]


def make_icon(size):
    s = size / 256.0
    c = Canvas(size, size)
    # The tile.
    c.fill(round_rect(4 * s, 4 * s, size - 4 * s, size - 4 * s, 44 * s),
           linear(0, 0, 0, size, [(0.0, PANEL_TOP), (1.0, PANEL_BOTTOM)]))
    # The judgement line across the bottom.
    line_y = 206 * s
    c.fill(round_rect(26 * s, line_y, size - 26 * s, line_y + max(1.5, 6 * s), max(0.75, 3 * s)),
           linear(26 * s, 0, size - 26 * s, 0, [(0.0, with_alpha(LINE_MID, 0.2)), (0.5, LINE_LIGHT),
                                               (1.0, with_alpha(LINE_MID, 0.2))]))
    # Four balls climbing from left to right, each with its trail down to the line.
    n = 4
    for i in range(n):
        t = i / (n - 1.0)
        bx = (62 + t * 132) * s
        by = (168 - 116 * math.sin(t * math.pi / 2) ** 1.2) * s
        r = (24 + 2 * t) * s
        colour = LANE_COLOURS[[0, 3, 5, 4][i]]
        c.fill(round_rect(bx - r * 0.55, by, bx + r * 0.55, line_y, r * 0.55),
               linear(0, by, 0, line_y, [(0.0, with_alpha(shade(colour, 1.3), 0.6)),
                                         (1.0, with_alpha(colour, 0.0))]),
               (bx - r, by, bx + r, line_y + 1))
        glossy_ball(c, bx, by, r, colour)
    return c


def main():
    os.makedirs(ICON_DIR, exist_ok=True)
    for size in SIZES:
        path = os.path.join(ICON_DIR, 'keyrise-%d.png' % size)
        make_icon(size).save_png(path)
        print('made', os.path.relpath(path, HERE))


if __name__ == '__main__':
    main()
