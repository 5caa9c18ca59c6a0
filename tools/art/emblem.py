"""The logo emblem (shield, crossed swords, name banner) and the window icon."""

import math

import numpy as np

from artkit import (blur, bezier, downsample, ellipse, inner_shadow, layer, metal, noise,
                    over, paint, polygon, ramp, shadow, text_mask, text_width, vertical_base,
                    draw_mask)

GARNET_FIELD = [(0.0, (120, 30, 56)), (0.55, (74, 16, 36)), (1.0, (34, 6, 18))]
STEEL = [(0.0, (30, 30, 40)), (0.3, (86, 88, 104)), (0.55, (150, 152, 168)),
         (0.8, (206, 208, 220)), (1.0, (250, 250, 255))]
NAME_GOLD = [(0.0, 0.95), (0.3, 0.80), (0.52, 0.50), (0.62, 0.46), (0.85, 0.70), (1.0, 0.62)]


def shield_outline(cx, top, w, h, n=64):
    """A heater shield: straight top with a slight dip, sides curving to a point."""
    hw = w / 2.0
    right = bezier((cx + hw, top), (cx + hw, top + h * 0.55), (cx + hw * 0.55, top + h * 0.82),
                   (cx, top + h), n)
    left = right[::-1].copy()
    left[:, 0] = 2 * cx - left[:, 0]
    crown = bezier((cx - hw, top), (cx - hw * 0.45, top + h * 0.035), (cx + hw * 0.45, top + h * 0.035),
                   (cx + hw, top), 24)
    return [tuple(p) for p in crown] + [tuple(p) for p in right[1:]] + [tuple(p) for p in left[1:-1]]


def shield_mask(W, H, cx, top, w, h):
    return polygon(W, H, shield_outline(cx, top, w, h))


def sword(W, H, hilt, tip, S):
    """Masks (blade, guard+pommel, grip) of a sword from its hilt point to its tip."""
    hx, hy = hilt
    tx, ty = tip
    L = math.hypot(tx - hx, ty - hy)
    ux, uy = (tx - hx) / L, (ty - hy) / L
    px, py = -uy, ux

    def P(a, b):
        return (hx + ux * a + px * b, hy + uy * a + py * b)
    bw = 5.2 * S
    blade = polygon(W, H, [P(20 * S, -bw), P(L - 22 * S, -bw * 0.8), P(L, 0), P(L - 22 * S, bw * 0.8),
                           P(20 * S, bw)])
    ridge = polygon(W, H, [P(20 * S, -0.7 * S), P(L - 14 * S, 0), P(20 * S, 0.7 * S)])
    guard = polygon(W, H, [P(16 * S, -17 * S), P(21 * S, -17 * S), P(23 * S, -13 * S), P(21 * S, 0),
                           P(23 * S, 13 * S), P(21 * S, 17 * S), P(16 * S, 17 * S), P(18 * S, 0)])
    cx, cy = P(1 * S, 0)
    pommel = ellipse(W, H, (cx - 4.6 * S, cy - 4.6 * S, cx + 4.6 * S, cy + 4.6 * S))
    grip = polygon(W, H, [P(4 * S, -2.8 * S), P(17 * S, -3.2 * S), P(17 * S, 3.2 * S), P(4 * S, 2.8 * S)])
    return blade, ridge, np.maximum(guard, pommel), grip


def tower_charge(W, H, cx, top, w, h):
    """A castle tower with three merlons, a gate and a slit window."""
    def draw(d):
        hw = w / 2.0
        body_top = top + h * 0.22
        d.polygon([(cx - hw * 0.80, body_top), (cx + hw * 0.80, body_top), (cx + hw, top + h),
                   (cx - hw, top + h)], fill=255)
        mw = w * 0.22
        for k in (-1, 0, 1):
            mx = cx + k * w * 0.36
            d.rectangle((mx - mw / 2, top, mx + mw / 2, body_top + 1), fill=255)
        d.rectangle((cx - hw * 0.95, body_top - h * 0.03, cx + hw * 0.95, body_top + h * 0.06), fill=255)
    m = draw_mask(W, H, draw)

    def holes(d):
        gw = w * 0.30
        gy = top + h * 0.66
        d.rectangle((cx - gw / 2, gy, cx + gw / 2, top + h + 2), fill=255)
        d.ellipse((cx - gw / 2, gy - gw / 2, cx + gw / 2, gy + gw / 2), fill=255)
        sw = w * 0.09
        d.rectangle((cx - sw / 2, top + h * 0.36, cx + sw / 2, top + h * 0.52), fill=255)
        d.ellipse((cx - sw / 2, top + h * 0.36 - sw / 2, cx + sw / 2, top + h * 0.36 + sw / 2), fill=255)
    return np.clip(m - draw_mask(W, H, holes), 0, 1)


def banner_masks(W, H, S, x0, x1, y0, y1, tail=20):
    """Front band and the swallow-tail ends that show behind it, lower down."""
    cy = (y0 + y1) / 2.0
    hh = (y1 - y0) / 2.0
    band = draw_mask(W, H, lambda d: d.rounded_rectangle((x0 * S, y0 * S, x1 * S, y1 * S), 3 * S, fill=255))
    tails = np.zeros((H, W), np.float32)
    for side in (-1, 1):
        xe = x0 if side < 0 else x1
        inner = xe - side * 2
        outer = xe + side * tail
        drop = 8
        pts = [(inner, cy - hh * 0.78 + drop), (outer, cy - hh * 0.78 + drop),
               (outer - side * tail * 0.45, cy + drop), (outer, cy + hh * 0.78 + drop),
               (inner, cy + hh * 0.78 + drop)]
        tails = np.maximum(tails, polygon(W, H, [(x * S, y * S) for x, y in pts]))
    return band, tails


def logo(font):
    S = 4
    w, h = 387, 247
    W, H = w * S, h * S
    out = layer(W, H)
    cx = w / 2.0
    yy = np.arange(H, dtype=np.float32)[:, None]

    # crossed swords behind the shield
    swords = [sword(W, H, (62 * S, 22 * S), (318 * S, 236 * S), S),
              sword(W, H, (325 * S, 22 * S), (69 * S, 236 * S), S)]
    sil = np.zeros((H, W), np.float32)
    for parts in swords:
        for m in parts:
            sil = np.maximum(sil, m)
    # shield
    sh_top, sh_w, sh_h = 10, 168, 222
    shield = shield_mask(W, H, cx * S, sh_top * S, sh_w * S, sh_h * S)
    # banner across the lower middle
    bx0, bx1, by0, by1 = 27, 360, 128, 190
    band, tails = banner_masks(W, H, S, bx0, bx1, by0, by1)
    everything = np.maximum.reduce([sil, shield, band, tails])
    over(out, paint(blur(everything, 6 * S), (8, 4, 6), 0.75))
    over(out, shadow(everything, 2.5 * S, int(1 * S), int(3 * S), 0.8))
    for blade, ridge, guard, grip in swords:
        over(out, paint(np.clip(blur(blade, 0.6 * S) * 1.5, 0, 1), (14, 12, 16)))
        over(out, metal(blade, 3.5 * S, depth=3 * S, stops=STEEL, base=vertical_base(blade, [(0, 0.75), (1, 0.5)]),
                        contrast=0.6, specular=0.6))
        over(out, paint(ridge, (240, 242, 250), 0.45))
        over(out, paint(grip, (40, 20, 14)))
        over(out, paint(np.clip(blur(guard, 0.6 * S) * 1.5, 0, 1), (20, 10, 4)))
        over(out, metal(guard, 2.5 * S, depth=3 * S))

    # shield: dark edge, gold rim, enamel field, fillet, charge
    over(out, paint(np.clip(blur(shield, 0.8 * S) * 1.6, 0, 1), (16, 8, 4)))
    rim = shield_mask(W, H, cx * S, (sh_top + 1) * S, (sh_w - 2) * S, (sh_h - 2) * S)
    over(out, metal(rim, 5 * S, depth=5 * S, base=vertical_base(rim, [(0, 0.85), (0.5, 0.6), (1, 0.55)])))
    field_edge = shield_mask(W, H, cx * S, (sh_top + 10) * S, (sh_w - 20) * S, (sh_h - 24) * S)
    over(out, paint(field_edge, (22, 10, 6)))
    field = shield_mask(W, H, cx * S, (sh_top + 11.5) * S, (sh_w - 23) * S, (sh_h - 27) * S)
    y2, x2 = np.mgrid[0:H, 0:W].astype(np.float32)
    d = np.sqrt(((x2 - cx * S) / (sh_w * S * 0.55)) ** 2 + ((y2 - (sh_top + 50) * S) / (sh_h * S * 0.6)) ** 2)
    grain = noise(W, H, 3 * S, 302, octaves=3) * 0.08
    over(out, paint(field, ramp(d + grain, GARNET_FIELD)))
    over(out, inner_shadow(field, 3 * S, 0, int(2.5 * S), 0.8))
    f_o = shield_mask(W, H, cx * S, (sh_top + 17) * S, (sh_w - 35) * S, (sh_h - 37) * S)
    f_i = shield_mask(W, H, cx * S, (sh_top + 18.6) * S, (sh_w - 38.2) * S, (sh_h - 40) * S)
    fil = np.clip(f_o - f_i, 0, 1)
    over(out, paint(fil, (214, 176, 96), 0.7))
    charge = tower_charge(W, H, cx * S, 42 * S, 62 * S, 78 * S)
    over(out, shadow(charge, 1.5 * S, int(0.8 * S), int(2 * S), 0.8))
    over(out, metal(charge, 3 * S, depth=3.5 * S, base=vertical_base(charge, [(0, 0.86), (1, 0.55)])))
    # stud at the top centre of the rim
    st = ellipse(W, H, ((cx - 5) * S, (sh_top + 0.5) * S, (cx + 5) * S, (sh_top + 10.5) * S))
    over(out, paint(np.clip(blur(st, 0.5 * S) * 1.4, 0, 1), (16, 8, 4)))
    gem = ellipse(W, H, ((cx - 4) * S, (sh_top + 1.5) * S, (cx + 4) * S, (sh_top + 9.5) * S))
    over(out, metal(gem, 4 * S, depth=4 * S, stops=[(0, (30, 3, 10)), (0.5, (140, 26, 52)),
                                                     (0.8, (210, 90, 110)), (1, (255, 220, 228))],
                    base=0.5, specular=0.9, shininess=40))

    # banner: tails behind, band in front with gold edges
    tail_col = ramp(np.broadcast_to((yy - by0 * S) / ((by1 - by0 + 16) * S), (H, W)),
                    [(0, (64, 24, 40)), (1, (26, 8, 16))])
    over(out, paint(np.clip(blur(tails, 0.6 * S) * 1.5, 0, 1), (18, 8, 6)))
    over(out, paint(tails, tail_col))
    over(out, inner_shadow(tails, 2 * S, 0, int(2 * S), 0.6))
    tail_edge = np.clip(tails - np.clip(blur(tails, 1.2 * S) * 1.6 - 0.6, 0, 1), 0, 1)
    over(out, paint(tail_edge, (201, 162, 74), 0.7))
    over(out, paint(np.clip(blur(band, 0.8 * S) * 1.6, 0, 1), (16, 8, 4)))
    over(out, metal(band, 3.5 * S, depth=3.5 * S, base=vertical_base(band, [(0, 0.85), (0.5, 0.55), (1, 0.6)])))
    inner = draw_mask(W, H, lambda dd: dd.rounded_rectangle(
        ((bx0 + 5) * S, (by0 + 6) * S, (bx1 - 5) * S, (by1 - 6) * S), 2 * S, fill=255))
    over(out, paint(inner, (18, 8, 6)))
    inner2 = draw_mask(W, H, lambda dd: dd.rounded_rectangle(
        ((bx0 + 6.2) * S, (by0 + 7.2) * S, (bx1 - 6.2) * S, (by1 - 7.2) * S), 2 * S, fill=255))
    band_col = ramp(np.broadcast_to((yy - by0 * S) / ((by1 - by0) * S), (H, W)),
                    [(0, (58, 22, 40)), (0.5, (40, 14, 28)), (1, (22, 6, 14))])
    over(out, paint(inner2, band_col))
    over(out, inner_shadow(inner2, 2.5 * S, 0, int(2 * S), 0.8))

    # the name
    text = "TALVORE"
    tracking = 0.10
    room = (bx1 - bx0 - 34) * S
    hb = font.get(100 * S).getbbox("H")
    cap_per_size = (hb[3] - hb[1]) / (100.0 * S)
    size = 37.0 / cap_per_size * S
    tw = text_width(font, size, text, tracking)
    if tw > room:
        size *= room / tw
    tcy = (by0 + by1) / 2.0 * S + 0.5 * S
    m = text_mask(W, H, font, size, text, cx * S, tcy, tracking=tracking, stroke=int(size * 0.03))
    outline = np.clip(blur(m, 1.0 * S) * 3, 0, 1)
    over(out, shadow(m, 2 * S, 0, int(2.5 * S), 0.9))
    over(out, paint(outline, (12, 6, 2)))
    over(out, metal(m, 2.2 * S, depth=2.8 * S, base=vertical_base(m, NAME_GOLD), contrast=0.5, specular=0.45))
    return downsample(out, S)


# ---------------------------------------------------------------- window icon

def icon_image(size, font):
    """A shield with a T monogram; small sizes get thicker lines and no fillet."""
    S = 16 if size <= 48 else 8 if size <= 128 else 4
    W = H = size * S
    out = layer(W, H)
    small = size <= 24
    pad = 0.02 if small else 0.05
    sw = (1 - 2 * pad) * 0.90 * size
    sh = (1 - 2 * pad) * size
    top = pad * size
    cx = size / 2.0
    shield = shield_mask(W, H, cx * S, top * S, sw * S, sh * S)
    if size >= 32:
        over(out, shadow(shield, size * 0.02 * S, 0, int(size * 0.02 * S), 0.6))
    over(out, paint(shield, (24, 12, 6)))
    rimw = max(size * 0.075, 1.6)
    edge = max(size * 0.012, 0.55)
    rim = shield_mask(W, H, cx * S, (top + edge) * S, (sw - 2 * edge) * S, (sh - 2.2 * edge) * S)
    over(out, metal(rim, rimw * 0.6 * S, depth=rimw * 0.7 * S,
                    base=vertical_base(rim, [(0, 0.85), (0.5, 0.62), (1, 0.58)])))
    inset = edge + rimw
    field = shield_mask(W, H, cx * S, (top + inset) * S, (sw - 2 * inset) * S, (sh - 2.4 * inset) * S)
    y2, x2 = np.mgrid[0:H, 0:W].astype(np.float32)
    d = np.sqrt(((x2 - cx * S) / (sw * S * 0.55)) ** 2 + ((y2 - (top + sh * 0.25) * S) / (sh * S * 0.6)) ** 2)
    over(out, paint(field, ramp(d, GARNET_FIELD)))
    if size >= 32:
        over(out, inner_shadow(field, size * 0.02 * S, 0, int(size * 0.015 * S), 0.7))
    # the monogram: a heavy serif T, optically above the centre
    if small:
        # hand-built T so the stem and bar land on whole pixels
        bar_h = max(round(size * 0.17), 2)
        stem_w = max(round(size * 0.19), 2)
        bar_w = round(size * 0.56)
        bx0 = round(cx - bar_w / 2.0)
        by0 = round(top + size * 0.22)
        sx0 = round(cx - stem_w / 2.0)
        stem_bot = round(top + size * 0.76)

        def draw(dd):
            dd.rectangle((bx0 * S, by0 * S, (bx0 + bar_w) * S - 1, (by0 + bar_h) * S - 1), fill=255)
            dd.rectangle((sx0 * S, by0 * S, (sx0 + stem_w) * S - 1, stem_bot * S - 1), fill=255)
        t = draw_mask(W, H, draw)
        over(out, paint(t, (246, 220, 150)))
    else:
        hb = font.get(100 * S).getbbox("T")
        cap = (hb[3] - hb[1]) / (100.0 * S)
        tsize = size * 0.46 / cap * S
        t = text_mask(W, H, font, tsize, "T", cx * S, (top + sh * 0.44) * S, stroke=int(tsize * 0.022))
        over(out, shadow(t, size * 0.015 * S, 0, int(size * 0.02 * S), 0.8))
        over(out, metal(t, size * 0.03 * S, depth=size * 0.035 * S,
                        base=vertical_base(t, [(0, 0.95), (0.5, 0.7), (1, 0.62)]), contrast=0.45, specular=0.4))
    return downsample(out, S)
