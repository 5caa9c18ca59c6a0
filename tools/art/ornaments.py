"""The woven panel texture, the ornamental frame and the large settings panel.

The launcher builds every frame from three pieces of frame.png: the left edge
(x 0..25, y 86..196), the top edge (x 110..250, y 0..35) and the top-left
corner (110 x 86); it stretches the edges and mirrors all three for the other
sides. So the mouldings here are strictly uniform along their length, every
ornament stays inside the corner box, and the picture is the top-left quadrant
mirrored both ways.
"""

import math

import numpy as np

from artkit import (DARK_GOLD, blur, bezier, downsample, ellipse, inner_shadow, layer,
                    metal, noise, over, paint, polygon, ramp, rounded_rect, shadow, shift,
                    smoothstep, spiral, stroke_path)

SS = 4
FRAME_W, FRAME_H = 609, 293
QW, QH = 305, 147
CORNER_W, CORNER_H = 110, 86
BLOCK = 42

# Bands from the outer edge inward (px): the top bar is 35 px high with an
# enamel channel, the sides 25 px wide; the rest of each strip is the soft
# shadow the frame casts on the panel.
TOP_BANDS = [("outline", 0, 1.2), ("gold", 1.2, 11.5), ("groove", 11.5, 12.8), ("gold", 12.8, 16.5),
             ("groove", 16.5, 17.5), ("enamel", 17.5, 23.5), ("gold", 23.5, 26.5),
             ("outline", 26.5, 27.4)]
SIDE_BANDS = [("outline", 0, 1.2), ("gold", 1.2, 9.5), ("groove", 9.5, 10.8), ("gold", 10.8, 14.2),
              ("outline", 14.2, 15.2)]
TOP_SOLID, SIDE_SOLID = 27.4, 15.2

TEXTURE_SIZE, TEXTURE_THREADS = 256, 32
TEXTURE_CELL = TEXTURE_SIZE // TEXTURE_THREADS

GARNET = [(0.0, (30, 3, 10)), (0.35, (96, 14, 34)), (0.6, (150, 32, 58)),
          (0.82, (206, 84, 104)), (1.0, (255, 214, 222))]


# ---------------------------------------------------------------- texture

def texture(size=TEXTURE_SIZE, threads=TEXTURE_THREADS, seed=342):
    """Dark basket weave; every field is periodic over the tile so it repeats
    without seams."""
    rng = np.random.RandomState(seed)
    cell = size // threads
    y, x = np.mgrid[0:size, 0:size].astype(np.float32)
    i = (x // cell).astype(int)
    j = (y // cell).astype(int)
    u = (x % cell + 0.5) / cell
    v = (y % cell + 0.5) / cell
    across_warp = np.clip(np.sin(np.pi * u), 0, 1) ** 0.55
    across_weft = np.clip(np.sin(np.pi * v), 0, 1) ** 0.55
    # a thread bulges where it crosses over and sinks where it passes under
    along_warp = 0.55 + 0.45 * np.sin(np.pi * v) ** 0.7
    along_weft = 0.55 + 0.45 * np.sin(np.pi * u) ** 0.7
    warp_on_top = ((i + j) % 2) == 0
    fib_warp = blur(noise(size, size, 0.6, seed + 1, wrap=True), 0.3, 5.0, wrap=True)
    fib_warp /= fib_warp.std() + 1e-9
    fib_weft = blur(noise(size, size, 0.6, seed + 2, wrap=True), 5.0, 0.3, wrap=True)
    fib_weft /= fib_weft.std() + 1e-9
    tone_warp = rng.uniform(-1, 1, threads)[i]
    tone_weft = rng.uniform(-1, 1, threads)[j]
    h_warp = across_warp * along_warp
    h_weft = across_weft * along_weft
    height = np.where(warp_on_top, h_warp, h_weft)
    fib = np.where(warp_on_top, fib_warp, fib_weft)
    tone = np.where(warp_on_top, tone_warp, tone_weft)
    under = np.where(warp_on_top, h_weft, h_warp) * 0.35
    height = np.maximum(height, under)
    hb = blur(height, 0.6, wrap=True)
    gx = (np.roll(hb, -1, axis=1) - np.roll(hb, 1, axis=1)) * 1.5
    gy = (np.roll(hb, -1, axis=0) - np.roll(hb, 1, axis=0)) * 1.5
    shade = (gx * 0.45 + gy * 0.75) / np.sqrt(gx * gx + gy * gy + 1)
    mott = noise(size, size, 24, seed + 3, wrap=True, octaves=3)
    t = 0.26 + 0.42 * height + 0.35 * shade + 0.05 * fib + 0.04 * tone + 0.06 * mott
    cols = [(0.0, (8, 5, 6)), (0.25, (19, 12, 14)), (0.45, (32, 21, 24)),
            (0.65, (47, 32, 32)), (0.85, (66, 48, 42)), (1.0, (88, 68, 56))]
    rgb = ramp(t, cols)
    return np.concatenate([rgb, np.ones((size, size, 1), np.float32)], axis=2)


# ---------------------------------------------------------------- frame

def _band(lo, hi, axis):
    m = np.zeros((QH * SS, QW * SS), np.float32)
    a, b = int(round(lo * SS)), int(round(hi * SS))
    if axis == "y":
        m[a:b, :] = 1
    else:
        m[:, a:b] = 1
    return m


def _mouldings():
    W, H = QW * SS, QH * SS
    S = SS
    out = layer(W, H)
    solid_m = np.maximum(_band(0, TOP_SOLID, "y"), _band(0, SIDE_SOLID, "x"))
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float32) / S
    # inward shadow, kept inside each strip (35 px top, 25 px side)
    sh = blur(shift(solid_m, 2 * S, 2 * S), 3.0 * S) * (1 - solid_m)
    fade = np.maximum(smoothstep(35, 30, yy), smoothstep(25, 20, xx))
    over(out, paint(sh * fade, (0, 0, 0), 0.85))
    over(out, paint(solid_m, (20, 12, 8)))
    for axis, bands in (("y", TOP_BANDS), ("x", SIDE_BANDS)):
        for kind, lo, hi in bands:
            m = _band(lo, hi, axis)
            if kind == "gold":
                r = (hi - lo) * 0.5 * S
                over(out, metal(m, r, depth=r * 0.9))
            elif kind == "enamel":
                t = (yy - lo) / (hi - lo)
                col = ramp(t, [(0, (30, 12, 22)), (0.5, (58, 26, 42)), (1, (26, 10, 18))])
                over(out, paint(m, col))
            elif kind == "groove":
                over(out, paint(m, (18, 10, 6)))
            else:
                over(out, paint(m, (10, 6, 4)))
    return out


def _scroll_strokes():
    """One flourish in (along, off) px: `along` runs from the corner block along
    the edge, `off` inward from the moulding's inner edge."""
    a = bezier((0, 1.5), (10, 0.5), (12, 13), (24, 13), 40)
    b = bezier((24, 13), (34, 13), (37, 4.5), (46, 4.5), 40)
    c = spiral(46, 9.6, 5.1, 1.2, -math.pi / 2, -math.pi / 2 + 2 * math.pi * 0.95, 70)
    main = np.concatenate([a, b[1:], c[1:]])
    wmain = np.concatenate([np.linspace(3.0, 2.3, len(a)), np.linspace(2.3, 1.9, len(b) - 1),
                            np.linspace(1.9, 0.9, len(c) - 1)])
    leaf = bezier((9, 7), (13, 10), (14, 16), (19, 19), 30)
    wleaf = np.concatenate([np.linspace(1.3, 2.4, 15), np.linspace(2.4, 0.5, 15)])
    curl = spiral(4.5, 11.5, 5.0, 1.0, -math.pi / 2 - 0.2, -math.pi / 2 - 0.2 - 2 * math.pi * 0.8, 50)
    wcurl = np.linspace(1.9, 0.8, len(curl))
    return [(main, wmain), (leaf, wleaf), (curl, wcurl)]


def _flourishes():
    W, H = QW * SS, QH * SS
    S = SS
    orn = np.zeros((H, W), np.float32)
    # along the top the flourish has room up to x ~100; down the side it is
    # compressed to stay above y ~76, clear of the stretched edge piece
    for axis, edge, stretch, dots in (("y", TOP_SOLID, 1.0, [(54, 2.8, 1.9), (58.5, 1.5, 1.3)]),
                                      ("x", SIDE_SOLID, 0.62, [])):
        for pts, w in _scroll_strokes():
            along = BLOCK + pts[:, 0] * stretch
            off = edge + pts[:, 1]
            xy = np.stack([along, off], 1) if axis == "y" else np.stack([off, along], 1)
            orn = np.maximum(orn, stroke_path(W, H, xy * S, np.asarray(w) * S))
        for da, do, r in dots:
            al, of = BLOCK + da * stretch, edge + do
            cx, cy = (al, of) if axis == "y" else (of, al)
            orn = np.maximum(orn, ellipse(W, H, ((cx - r) * S, (cy - r) * S, (cx + r) * S, (cy + r) * S)))
    return orn


def _corner_block(out, orn):
    H, W = out.shape[:2]
    S = SS
    B = BLOCK
    plate = rounded_rect(W, H, (0, 0, B * S, B * S), 3 * S)
    inner = rounded_rect(W, H, (5 * S, 5 * S, (B - 5) * S, (B - 5) * S), 2 * S)
    c = B / 2.0
    dia = polygon(W, H, [(c * S, 7 * S), ((B - 7) * S, c * S), (c * S, (B - 7) * S), (7 * S, c * S)])
    over(out, shadow(np.maximum(orn, plate), 2.2 * S, int(1.5 * S), int(2.2 * S), 0.8))
    over(out, paint(np.clip(blur(orn, 0.8 * S) * 1.6, 0, 1), (14, 8, 4)))
    over(out, metal(orn, 2.0 * S, depth=2.4 * S))
    over(out, paint(plate, (14, 8, 4)))
    over(out, metal(rounded_rect(W, H, (S, S, (B - 1) * S, (B - 1) * S), 3 * S), 4 * S, depth=4 * S))
    yy = np.arange(H, dtype=np.float32)[:, None] / S
    en = ramp(np.broadcast_to((yy - 5) / 32, inner.shape), [(0, (54, 22, 38)), (1, (22, 8, 16))])
    over(out, paint(inner, en))
    over(out, inner_shadow(inner, 1.5 * S, 0, int(1.5 * S), 0.8))
    over(out, shadow(dia, 1.2 * S, int(0.8 * S), int(1.2 * S), 0.7))
    over(out, metal(dia, 3 * S, depth=3.5 * S))
    ring = ellipse(W, H, ((c - 8.4) * S, (c - 8.4) * S, (c + 8.4) * S, (c + 8.4) * S))
    over(out, paint(np.clip(blur(ring, 0.6 * S) * 1.5, 0, 1), (18, 8, 4)))
    bez = ellipse(W, H, ((c - 7.8) * S, (c - 7.8) * S, (c + 7.8) * S, (c + 7.8) * S))
    over(out, metal(bez, 1.6 * S, depth=2.2 * S, stops=DARK_GOLD, base=0.7))
    gem = ellipse(W, H, ((c - 6.0) * S, (c - 6.0) * S, (c + 6.0) * S, (c + 6.0) * S))
    over(out, paint(gem, (10, 2, 4)))
    g2 = ellipse(W, H, ((c - 5.4) * S, (c - 5.4) * S, (c + 5.4) * S, (c + 5.4) * S))
    over(out, metal(g2, 5.4 * S, depth=4.5 * S, stops=GARNET, base=0.5, contrast=0.5, specular=0.9,
                    shininess=40))


def _mirror_quadrant(q):
    top = np.concatenate([q, q[:, :-1][:, ::-1]], axis=1)
    return np.concatenate([top, top[:-1][::-1]], axis=0)


def frame():
    q = _mouldings()
    _corner_block(q, _flourishes())
    q = downsample(q, SS)
    # make the pieces the launcher stretches exactly uniform: the top strip
    # right of the corner box repeats one column, the side strip below it one row
    q[:36, CORNER_W:] = q[:36, QW - 1:QW]
    q[CORNER_H:, :26] = q[QH - 1:QH, :26]
    full = _mirror_quadrant(q)
    assert full.shape[:2] == (FRAME_H, FRAME_W)
    return full


def nine_slice(frame_img, tex, w, h, a, tex_px=None):
    """The launcher's frame panel, reproduced for previews and the settings
    panel picture: corners, stretched edges and the tiled texture fill
    (`tex_px` is the drawn size of one texture tile)."""
    from PIL import Image
    from artkit import resize_layer
    out = layer(w, h)
    CW, CH, SW, BH = 110 * a, 86 * a, 25 * a, 35 * a
    ts = tex.shape[0]
    tp = int(round(tex_px or ts / 2))
    t_small = np.asarray(Image.fromarray((tex[..., :3] * 255 + 0.5).astype(np.uint8)).resize(
        (tp, tp), Image.LANCZOS), np.float32) / 255
    tiled = np.tile(t_small, (h // tp + 2, w // tp + 2, 1))[:h, :w]
    fx0, fy0 = int(round(12 * a)), int(round(16 * a))
    fill = np.zeros((h, w, 4), np.float32)
    fill[..., :3] = tiled
    fill[fy0:h - fy0, fx0:w - fx0, 3] = 1
    over(out, fill)

    def piece(src, box, dw, dh):
        x, y, bw, bh = box
        return resize_layer(src[y:y + bh, x:x + bw], max(int(round(dw)), 1), max(int(round(dh)), 1))

    fr = frame_img
    lr, tb, rot = fr[:, ::-1], fr[::-1], fr[::-1, ::-1]
    M = w / 2.0
    r = lambda v: int(round(v))  # noqa: E731
    over(out, piece(fr, (0, 86, 25, 110), SW, h - 2 * CH), 0, r(CH))
    over(out, piece(lr, (584, 86, 25, 110), SW, h - 2 * CH), r(w - SW), r(CH))
    over(out, piece(tb, (110, 258, 140, 35), M - CW, BH), r(CW), r(h - BH))
    over(out, piece(rot, (359, 258, 140, 35), w - CW - M, BH), r(M), r(h - BH))
    over(out, piece(fr, (110, 0, 140, 35), M - CW, BH), r(CW), 0)
    over(out, piece(lr, (359, 0, 140, 35), w - CW - M, BH), r(M), 0)
    over(out, piece(fr, (0, 0, 110, 86), CW, CH), 0, 0)
    over(out, piece(lr, (499, 0, 110, 86), CW, CH), r(w - CW), 0)
    over(out, piece(tb, (0, 207, 110, 86), CW, CH), 0, r(h - CH))
    over(out, piece(rot, (499, 207, 110, 86), CW, CH), r(w - CW), r(h - CH))
    return out


def settings_panel(frame_img, tex):
    """936 x 558: the frame at full ornament size around a textured field with
    a recessed inner well, over a soft drop shadow."""
    w, h = 936, 558
    m = 10
    out = layer(w, h)
    body = np.zeros((h, w), np.float32)
    body[m + 4:h - m + 4, m + 2:w - m + 2] = 1
    over(out, paint(blur(body, 6), (0, 0, 0), 0.7))
    panel = nine_slice(frame_img, tex, w - 2 * m, h - 2 * m, 1.0)
    over(out, panel, m, m)
    S = 2
    W2, H2 = w * S, h * S
    well = rounded_rect(W2, H2, (66 * S, 70 * S, (w - 66) * S, (h - 66) * S), 10 * S)
    lay = layer(W2, H2)
    over(lay, paint(well, (0, 0, 0), 0.33))
    over(lay, inner_shadow(well, 4 * S, 0, 3 * S, 0.6))
    edge_o = rounded_rect(W2, H2, (65 * S, 69 * S, (w - 65) * S, (h - 65) * S), 11 * S)
    edge_i = rounded_rect(W2, H2, (66 * S, 70 * S, (w - 66) * S, (h - 66) * S), 10 * S)
    over(lay, paint(np.clip(edge_o - edge_i, 0, 1), (190, 148, 76), 0.6))
    over(out, downsample(lay, S))
    return out
