#!/usr/bin/python3
"""Compares the launcher's client area in two screenshots, ignoring the running lights.

    window_diff.py [--across-builds] A.png B.png X Y W H [X2 Y2 W2 H2] [DIFF.png]

X Y W H is the client area in A (and in B unless X2 Y2 W2 H2 follow). The lights circle the
main panel along a rectangle in design units; a ring of LIGHT_MARGIN units around it is left
out. Prints the number of differing pixels and their bounding box; exit 0 when they match.
DIFF.png, when given, shows the differences in red over a dimmed copy of A.

Two screenshots of one build match only when they are identical. Between the 32- and 64-bit
builds, the platform's own graphics libraries round differently inside image decoding and
anti-aliased edges (the same calls with the same arguments give such pixels in a bare GDI+
program): a difference of one level in a channel is not counted, and up to ISOLATED_LIMIT
stronger differences are allowed when no two of them touch. Anything our layout could get
wrong by a pixel (a shifted text, image, edge or bar) shows as runs of touching pixels.
"""
import sys

from PIL import Image, ImageChops, ImageDraw

# The lights' path (design units) and the largest glow radius plus anti-aliasing.
PATH_LEFT, PATH_TOP, PATH_RIGHT, PATH_BOTTOM = 136.9, 186.0, 982.3, 641.5
LIGHT_MARGIN = 10.0
DESIGN_WIDTH = 1120
ISOLATED_LIMIT = 8


def light_ring_mask(w, h, scale):
    """255 where pixels are compared, 0 on the lights' ring."""
    mask = Image.new("L", (w, h), 255)
    draw = ImageDraw.Draw(mask)
    m = LIGHT_MARGIN
    px = lambda v: v * scale
    outer = (px(PATH_LEFT - m), px(PATH_TOP - m), px(PATH_RIGHT + m), px(PATH_BOTTOM + m))
    inner = (px(PATH_LEFT + m), px(PATH_TOP + m), px(PATH_RIGHT - m), px(PATH_BOTTOM - m))
    draw.rectangle(outer, fill=0)
    draw.rectangle(inner, fill=255)
    return mask


def main(argv):
    tolerant = "--across-builds" in argv
    argv = [a for a in argv if a != "--across-builds"]
    if len(argv) < 6:
        print(__doc__.strip())
        return 2
    a_path, b_path = argv[0], argv[1]
    nums = []
    rest = argv[2:]
    while rest and rest[0].lstrip("-").isdigit():
        nums.append(int(rest.pop(0)))
    diff_path = rest[0] if rest else None
    if len(nums) == 4:
        nums += nums
    if len(nums) != 8:
        print("expected one or two client areas (X Y W H)")
        return 2
    ax, ay, w, h, bx, by, w2, h2 = nums
    if (w, h) != (w2, h2):
        print(f"client sizes differ: {w}x{h} and {w2}x{h2}")
        return 1
    a = Image.open(a_path).convert("RGB").crop((ax, ay, ax + w, ay + h))
    b = Image.open(b_path).convert("RGB").crop((bx, by, bx + w, by + h))
    red, green, blue = ImageChops.difference(a, b).split()
    largest = ImageChops.lighter(ImageChops.lighter(red, green), blue)
    floor = 1 if tolerant else 0
    changed = largest.point(lambda v: 255 if v > floor else 0)
    changed = ImageChops.multiply(changed, light_ring_mask(w, h, w / DESIGN_WIDTH))
    count = changed.histogram()[255]
    box = changed.getbbox()
    if diff_path:
        dimmed = a.point(lambda v: v // 3)
        dimmed.paste((255, 0, 0), mask=changed)
        dimmed.save(diff_path)
    print(f"{count} pixels differ" + (f" within {box}" if box else ""))
    if count == 0:
        return 0
    if not tolerant or count > ISOLATED_LIMIT:
        return 1
    px = changed.load()
    spots = [(x, y) for y in range(box[1], box[3]) for x in range(box[0], box[2]) if px[x, y]]
    touching = [(x, y) for x, y in spots
                if any(px[x + dx, y + dy] for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                       if (dx or dy) and 0 <= x + dx < w and 0 <= y + dy < h)]
    print(f"isolated: {len(spots) - len(touching)}, touching: {len(touching)} {touching[:6]}")
    return 0 if not touching else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
