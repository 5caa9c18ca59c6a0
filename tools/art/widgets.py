"""Link buttons, their icons and the plaques (play, save, cancel)."""

import math

import numpy as np

from artkit import (GOLD, DARK_GOLD, blur, bezier, downsample, ellipse, inner_shadow,
                    layer, metal, noise, over, paint, polygon, ramp, resize_layer,
                    rounded_rect, shadow, spiral, stroke_path, text_mask, text_width,
                    vertical_base, draw_mask, bbox_of)

SS = 4

# Ramp positions over a gold surface from top to bottom: a bright top, a darker
# waist and a warm lower reflection, as polished metal under a top light.
GOLD_FACE = [(0.0, 0.90), (0.16, 0.80), (0.46, 0.55), (0.60, 0.46), (0.84, 0.66), (1.0, 0.54)]
GOLD_RIM = [(0.0, 0.80), (0.5, 0.58), (1.0, 0.52)]
LIGHT_TEXT = (245, 232, 200)


def semibold(size):
    return max(int(round(size * 0.026)), 1)


# ---------------------------------------------------------------- icon glyphs
# Each glyph is drawn in a box of half-size r around (cx, cy) in supersampled
# pixels from coordinates in -1..1 (y down).

def _pts(cx, cy, r, pts):
    return [(cx + x * r, cy + y * r) for x, y in pts]


def glyph_facebook(w, h, cx, cy, r):
    top = bezier((-0.06, -0.30), (-0.06, -0.80), (0.26, -0.88), (0.56, -0.85), 24)
    back = bezier((0.56, -0.55), (0.38, -0.57), (0.27, -0.53), (0.27, -0.30), 24)
    outline = ([(-0.06, 0.92), (-0.06, 0.18), (-0.30, 0.18), (-0.30, -0.13), (-0.06, -0.13)]
               + [tuple(p) for p in top] + [tuple(p) for p in back]
               + [(0.27, -0.13), (0.54, -0.13), (0.50, 0.18), (0.27, 0.18), (0.27, 0.92)])
    outline = [(x - 0.12, y - 0.02) for x, y in outline]
    return polygon(w, h, _pts(cx, cy, r, outline))


def glyph_whatsapp(w, h, cx, cy, r):
    ring = ellipse(w, h, (cx - 0.80 * r, cy - 0.80 * r, cx + 0.80 * r, cy + 0.80 * r))
    hole = ellipse(w, h, (cx - 0.64 * r, cy - 0.64 * r, cx + 0.64 * r, cy + 0.64 * r))
    tail = polygon(w, h, _pts(cx, cy, r, [(-0.62, 0.36), (-0.90, 0.92), (-0.26, 0.72)]))
    tail_hole = polygon(w, h, _pts(cx, cy, r, [(-0.52, 0.40), (-0.70, 0.72), (-0.30, 0.58)]))
    bubble = np.clip(np.maximum(ring, tail) - np.maximum(hole, tail_hole * (1 - ring)), 0, 1)
    # handset: a thick arc, heavier at the ear and mouth pieces
    arc = spiral(cx + 0.17 * r, cy - 0.17 * r, 0.36 * r, 0.36 * r,
                 math.radians(62), math.radians(208), 40)
    t = np.linspace(0, 1, len(arc))
    wid = (0.075 + 0.07 * (np.abs(t - 0.5) * 2) ** 3) * r
    hand = stroke_path(w, h, arc, wid)
    return np.maximum(bubble, hand)


def glyph_gamepad(w, h, cx, cy, r):
    def e(x0, y0, x1, y1):
        return ellipse(w, h, (cx + x0 * r, cy + y0 * r, cx + x1 * r, cy + y1 * r))
    body = np.maximum.reduce([
        draw_mask(w, h, lambda d: d.rounded_rectangle(
            (cx - 0.74 * r, cy - 0.50 * r, cx + 0.74 * r, cy + 0.40 * r), 0.34 * r, fill=255)),
        e(-0.86, -0.02, -0.22, 0.70), e(0.22, -0.02, 0.86, 0.70),
        e(-0.40, -0.60, 0.40, -0.30),
    ])
    eyes = np.maximum(e(-0.44, -0.17, -0.14, 0.19), e(0.14, -0.17, 0.44, 0.19))
    return np.clip(body - eyes, 0, 1)


def glyph_globe(w, h, cx, cy, r):
    def ring(rx, ry, t):
        outer = ellipse(w, h, (cx - rx * r, cy - ry * r, cx + rx * r, cy + ry * r))
        inner = ellipse(w, h, (cx - (rx - t) * r, cy - (ry - t) * r, cx + (rx - t) * r, cy + (ry - t) * r))
        return np.clip(outer - inner, 0, 1)
    disc = ellipse(w, h, (cx - 0.80 * r, cy - 0.80 * r, cx + 0.80 * r, cy + 0.80 * r))
    lines = np.zeros((h, w), np.float32)
    t = 0.055 * r
    for yy in (-0.42, 0.0, 0.42):
        lines = np.maximum(lines, draw_mask(w, h, lambda d, yy=yy: d.rectangle(
            (cx - r, cy + yy * r - t, cx + r, cy + yy * r + t), fill=255)))
    lines = np.maximum(lines, draw_mask(w, h, lambda d: d.rectangle(
        (cx - t, cy - r, cx + t, cy + r), fill=255)))
    lines = np.maximum(lines, ring(0.40, 0.80, 0.11))
    return np.maximum(ring(0.80, 0.80, 0.13), lines * disc)


def glyph_scroll(w, h, cx, cy, r):
    def rr(x0, y0, x1, y1, rad):
        return draw_mask(w, h, lambda d: d.rounded_rectangle(
            (cx + x0 * r, cy + y0 * r, cx + x1 * r, cy + y1 * r), rad * r, fill=255))
    sheet = rr(-0.50, -0.62, 0.50, 0.62, 0.04)
    rolls = np.maximum(rr(-0.66, -0.84, 0.66, -0.52, 0.16), rr(-0.66, 0.52, 0.66, 0.84, 0.16))
    text = np.zeros((h, w), np.float32)
    for i, (y, x1) in enumerate([(-0.30, 0.32), (-0.10, 0.22), (0.10, 0.32), (0.30, 0.08)]):
        text = np.maximum(text, rr(-0.32, y - 0.045, x1, y + 0.045, 0.04))
    seams = np.maximum(rr(-0.66, -0.70, 0.66, -0.66, 0.0), rr(-0.66, 0.66, 0.66, 0.70, 0.0))
    return np.clip(np.maximum(sheet, rolls) - text - seams * 0.8, 0, 1)


def glyph_gear(w, h, cx, cy, r, teeth=8):
    pts = []
    for k in range(teeth):
        a0 = 2 * math.pi * k / teeth
        step = 2 * math.pi / teeth
        for frac, rad in ((0.0, 0.60), (0.12, 0.60), (0.22, 0.86), (0.50, 0.86), (0.60, 0.60)):
            a = a0 + frac * step
            pts.append((math.cos(a) * rad, math.sin(a) * rad))
    gear = polygon(w, h, _pts(cx, cy, r, pts))
    hole = ellipse(w, h, (cx - 0.27 * r, cy - 0.27 * r, cx + 0.27 * r, cy + 0.27 * r))
    return np.clip(gear - hole, 0, 1)


ICONS = {
    "facebook": (glyph_facebook, (40, 72, 146), (245, 246, 250)),
    "whatsapp": (glyph_whatsapp, (30, 122, 66), (245, 250, 244)),
    "discord": (glyph_gamepad, (78, 84, 184), (246, 246, 252)),
    "site": (glyph_globe, (26, 92, 122), (236, 246, 250)),
    "updates": (glyph_scroll, (122, 54, 36), (246, 232, 196)),
    "settings": (glyph_gear, (66, 52, 78), (236, 226, 210)),
}


def medallion(out, cx, cy, R, icon):
    """A gold bezel round badge with an enamel face and a raised glyph."""
    H, W = out.shape[:2]
    fn, enamel, ink = ICONS[icon]
    disc = ellipse(W, H, (cx - R, cy - R, cx + R, cy + R))
    over(out, shadow(disc, R * 0.12, int(R * 0.04), int(R * 0.10), 0.75))
    over(out, paint(disc, (20, 12, 6)))
    rim = ellipse(W, H, (cx - R * 0.96, cy - R * 0.96, cx + R * 0.96, cy + R * 0.96))
    over(out, metal(rim, R * 0.16, depth=R * 0.2, base=vertical_base(rim, GOLD_RIM)))
    Rf = R * 0.78
    face = ellipse(W, H, (cx - Rf, cy - Rf, cx + Rf, cy + Rf))
    over(out, paint(face, (12, 8, 6)))
    Rf2 = Rf * 0.97
    face2 = ellipse(W, H, (cx - Rf2, cy - Rf2, cx + Rf2, cy + Rf2))
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float32)
    d = np.sqrt(((xx - (cx - Rf * 0.3)) / Rf) ** 2 + ((yy - (cy - Rf * 0.45)) / Rf) ** 2)
    e = np.asarray(enamel, np.float32)
    col = ramp(d, [(0.0, tuple(np.minimum(e * 1.55 + 30, 255))), (0.7, tuple(e)),
                   (1.5, tuple(e * 0.45))])
    over(out, paint(face2, col))
    over(out, inner_shadow(face2, R * 0.10, 0, int(R * 0.08), 0.75))
    g = fn(W, H, cx, cy, Rf * 0.80) * face2
    over(out, shadow(g, R * 0.05, 0, int(R * 0.06), 0.55))
    glyph_col = ramp(np.broadcast_to((yy - (cy - Rf)) / (2 * Rf), (H, W)),
                     [(0.0, ink), (1.0, tuple(int(c * 0.84) for c in ink))])
    over(out, paint(g, glyph_col))
    # glass-like sheen on the upper half of the enamel
    sheen = ellipse(W, H, (cx - Rf * 0.78, cy - Rf * 0.92, cx + Rf * 0.78, cy + Rf * 0.05)) * face2
    sheen *= np.clip((cy - yy) / Rf + 0.1, 0, 1)
    over(out, paint(blur(sheen, R * 0.05), (255, 255, 255), 0.16))


# ---------------------------------------------------------------- link buttons

def link_button(label, icon, font, label_size):
    """185 x 83 framed button: gold rim, dark face, icon badge, label."""
    W, H = 185 * SS, 83 * SS
    S = SS
    out = layer(W, H)
    body = rounded_rect(W, H, (3 * S, 3 * S, 182 * S, 77 * S), 13 * S)
    over(out, shadow(body, 2.2 * S, 0, int(1.6 * S), 0.8))
    over(out, paint(body, (16, 9, 6)))
    rim = rounded_rect(W, H, (4 * S, 4 * S, 181 * S, 76 * S), 12 * S)
    over(out, metal(rim, 2.6 * S, depth=3.0 * S, base=vertical_base(rim, GOLD_RIM)))
    face = rounded_rect(W, H, (8 * S, 8 * S, 177 * S, 72 * S), 9 * S)
    over(out, paint(face, (14, 8, 6)))
    face_in = rounded_rect(W, H, (9 * S, 9 * S, 176 * S, 71 * S), 8 * S)
    yy = np.arange(H, dtype=np.float32)[:, None]
    t = np.broadcast_to((yy - 9 * S) / (62 * S), (H, W))
    grain = noise(W, H, 1.2 * S, 77, octaves=2) * 0.05
    col = ramp(t + grain, [(0.0, (72, 44, 58)), (0.45, (48, 28, 40)), (1.0, (28, 16, 22))])
    over(out, paint(face_in, col))
    over(out, inner_shadow(face_in, 2.5 * S, 0, int(2 * S), 0.7))
    # thin inner fillet
    fil_o = rounded_rect(W, H, (12 * S, 12 * S, 173 * S, 68 * S), 6 * S)
    fil_i = rounded_rect(W, H, (13 * S, 13 * S, 172 * S, 67 * S), 5 * S)
    over(out, paint(np.clip(fil_o - fil_i, 0, 1), (201, 162, 74), 0.38))
    gloss = rounded_rect(W, H, (11 * S, 10 * S, 174 * S, 38 * S), 7 * S) * face_in
    gloss *= np.clip((38 * S - yy) / (28 * S), 0, 1) ** 1.5
    over(out, paint(blur(gloss, 1.5 * S), (255, 236, 200), 0.10))
    medallion(out, 41 * S, 40 * S, 25.5 * S, icon)
    # label, centred in the space right of the badge
    lx = (72 + 171) / 2.0 * S
    m = text_mask(W, H, font, label_size * S, label, lx, 40.5 * S, stroke=semibold(label_size * S))
    over(out, shadow(m, 1.2 * S, 0, int(1.4 * S), 0.9))
    tcol = ramp(np.broadcast_to((yy - 28 * S) / (26 * S), (H, W)),
                [(0.0, (255, 246, 224)), (1.0, (224, 204, 160))])
    over(out, paint(m, tcol))
    return downsample(out, S)


def label_size_for(font, labels, max_w, max_h):
    size = 60
    while size > 8:
        f = font.get(size * SS)
        hb = f.getbbox("H")
        cap = (hb[3] - hb[1]) / SS
        if cap <= max_h and all(text_width(font, size * SS, t) / SS + 1 <= max_w for t in labels):
            return size
        size -= 0.5
    return size


# ---------------------------------------------------------------- plaques

def plaque_shape(W, H, inset, S, notch):
    """Outline of a plaque: a rounded bar with pointed end caps."""
    x0, y0, x1, y1 = inset * S, inset * S, W - inset * S, H - inset * S
    cy = H / 2.0
    n = notch * S
    return polygon(W, H, [(x0, cy), (x0 + n, y0), (x1 - n, y0), (x1, cy), (x1 - n, y1), (x0 + n, y1)])


def plaque(w, h, label, golden, font, cap_h, tracking=0.08, out_h=None):
    """A plaque with gold rim; golden ones have a polished face with engraved
    letters, dark ones a plum face with gold letters. out_h stretches the result
    vertically (for art that the code draws squeezed to another aspect)."""
    S = SS
    W, H = w * S, h * S
    out = layer(W, H)
    margin = max(round(h * 0.10), 6)
    notch = (h - 2 * margin) * 0.42
    outer = plaque_shape(W, H, margin, S, notch)
    over(out, shadow(outer, h * 0.05 * S, 0, int(h * 0.04 * S), 0.85))
    over(out, paint(outer, (18, 10, 5)))
    rim = plaque_shape(W, H, margin + 1.2, S, notch)
    over(out, metal(rim, h * 0.05 * S, depth=h * 0.06 * S, base=vertical_base(rim, GOLD_RIM)))
    b = h * 0.075
    groove = plaque_shape(W, H, margin + b, S, notch - b * 0.4)
    over(out, paint(groove, (20, 11, 5)))
    face = plaque_shape(W, H, margin + b + 1.0, S, notch - b * 0.4 - 0.4)
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float32)
    if golden:
        brushed = blur(noise(W, H, 0.8 * S, 321, octaves=1), 10 * S, 0.3 * S) * 0.9
        base = vertical_base(face, GOLD_FACE) + brushed * 0.06
        over(out, metal(face, h * 0.06 * S, depth=h * 0.05 * S, base=base, contrast=0.35, specular=0.2))
        # soft central sheen
        x0f, y0f, x1f, y1f = bbox_of(face)
        cx = (x0f + x1f) / 2.0
        sheen = np.exp(-(((xx - cx) / ((x1f - x0f) * 0.32)) ** 2)) * face
        over(out, paint(sheen, (255, 246, 214), 0.16))
    else:
        t = np.broadcast_to((yy - margin * S) / (H - 2 * margin * S), (H, W))
        grain = noise(W, H, 1.2 * S, 322, octaves=2) * 0.05
        col = ramp(t + grain, [(0.0, (70, 42, 56)), (0.45, (44, 26, 36)), (1.0, (24, 14, 18))])
        over(out, paint(face, col))
        over(out, inner_shadow(face, h * 0.035 * S, 0, int(h * 0.03 * S), 0.8))
    # inner fillet line following the outline
    f_o = plaque_shape(W, H, margin + b + h * 0.055, S, notch - b * 0.4 - h * 0.03)
    f_i = plaque_shape(W, H, margin + b + h * 0.055 + max(h * 0.012, 0.9), S, notch - b * 0.4 - h * 0.035)
    fillet = np.clip(f_o - f_i, 0, 1)
    over(out, paint(fillet, (90, 56, 18) if golden else (201, 162, 74), 0.55 if golden else 0.45))
    # small diamond studs on the pointed ends
    for sx in (margin + b + notch * 0.48, w - (margin + b + notch * 0.48)):
        dr = h * 0.055
        cxs, cys = sx * S, H / 2.0
        dm = polygon(W, H, [(cxs, cys - dr * S), (cxs + dr * 0.8 * S, cys), (cxs, cys + dr * S),
                            (cxs - dr * 0.8 * S, cys)])
        over(out, shadow(dm, 0.6 * S, 0, int(0.6 * S), 0.6))
        over(out, metal(dm, dr * 0.5 * S, depth=dr * 0.6 * S, stops=GOLD if not golden else DARK_GOLD, base=0.65))
    # label: the requested capital height, reduced when the text would reach the
    # pointed ends
    hb = font.get(100).getbbox("H")
    size = cap_h / ((hb[3] - hb[1]) / 100.0)
    room = w - 2 * (margin + b + notch * 0.48 + h * 0.09)
    width = text_width(font, size * S, label, tracking) / S
    if width > room:
        tracking = min(tracking, 0.04)
        width = text_width(font, size * S, label, tracking) / S
    if width > room:
        size *= room / width
        cap_h *= room / width
    cy = H / 2.0 + 0.5 * S
    m = text_mask(W, H, font, size * S, label, W / 2.0, cy, tracking=tracking,
                  stroke=semibold(size * S))
    if golden:
        # engraved: dark letters with a light lower lip and a shaded upper edge
        over(out, paint(np.clip(np.roll(m, int(1.0 * S), axis=0) - m, 0, 1), (255, 240, 200), 0.55))
        tcol = ramp(np.broadcast_to((yy - (cy - cap_h * S / 2)) / (cap_h * S), (H, W)),
                    [(0.0, (44, 24, 8)), (1.0, (86, 54, 20))])
        over(out, paint(m, tcol))
        over(out, paint(np.clip(m - np.roll(m, int(1.2 * S), axis=0), 0, 1), (20, 10, 2), 0.5))
    else:
        over(out, shadow(m, 1.2 * S, 0, int(1.4 * S), 0.9))
        base = vertical_base(m, [(0.0, 0.86), (0.5, 0.62), (1.0, 0.74)])
        over(out, metal(m, 1.2 * S, depth=1.5 * S, base=base, contrast=0.4, specular=0.25))
    res = downsample(out, S)
    if out_h is not None and out_h != h:
        res = resize_layer(res, w, out_h)
    return res
