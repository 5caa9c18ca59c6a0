"""Small raster toolkit behind render.py.

Images are float32 numpy arrays in 0..1: masks are H x W, layers H x W x 4 with
straight (not premultiplied) alpha. Everything is drawn at a supersampled size
and reduced with a premultiplied box filter at the end, which gives clean
antialiased edges without dark fringes.
"""

import math

import numpy as np
from PIL import Image, ImageDraw, ImageFont


# ---------------------------------------------------------------- basics

def layer(w, h):
    return np.zeros((h, w, 4), np.float32)


def solid(w, h, rgb, alpha=1.0):
    out = np.empty((h, w, 4), np.float32)
    out[..., :3] = np.asarray(rgb, np.float32) / 255.0
    out[..., 3] = alpha
    return out


def rgbf(rgb):
    return np.asarray(rgb, np.float32) / 255.0


def paint(mask, colour, opacity=1.0):
    """A layer of `colour` (RGB 0..255 tuple or H x W x 3 array 0..1) shaped by mask."""
    h, w = mask.shape
    out = np.empty((h, w, 4), np.float32)
    if isinstance(colour, np.ndarray) and colour.ndim == 3:
        out[..., :3] = colour
    else:
        out[..., :3] = rgbf(colour)
    out[..., 3] = np.clip(mask * opacity, 0, 1)
    return out


def over(dst, src, x=0, y=0):
    """Composite src over dst in place (src placed at x, y; clipped)."""
    h, w = src.shape[:2]
    H, W = dst.shape[:2]
    x0, y0 = max(x, 0), max(y, 0)
    x1, y1 = min(x + w, W), min(y + h, H)
    if x1 <= x0 or y1 <= y0:
        return dst
    s = src[y0 - y:y1 - y, x0 - x:x1 - x]
    d = dst[y0:y1, x0:x1]
    sa = s[..., 3:4]
    da = d[..., 3:4]
    oa = sa + da * (1 - sa)
    safe = np.where(oa > 1e-6, oa, 1)
    d[..., :3] = (s[..., :3] * sa + d[..., :3] * da * (1 - sa)) / safe
    d[..., 3:4] = oa
    return dst


def downsample(arr, f):
    """Box-reduce by an integer factor, premultiplying so edges keep their colour."""
    if f == 1:
        return arr
    h, w = arr.shape[:2]
    assert h % f == 0 and w % f == 0, (w, h, f)
    if arr.ndim == 2:
        return arr.reshape(h // f, f, w // f, f).mean(axis=(1, 3))
    a = arr[..., 3:4]
    pm = np.concatenate([arr[..., :3] * a, a], axis=2)
    pm = pm.reshape(h // f, f, w // f, f, 4).mean(axis=(1, 3))
    al = pm[..., 3:4]
    rgb = pm[..., :3] / np.where(al > 1e-6, al, 1)
    return np.concatenate([rgb, al], axis=2)


def to_pil(arr, mode="RGBA"):
    a = np.clip(arr, 0, 1)
    if a.ndim == 2:
        return Image.fromarray((a * 255 + 0.5).astype(np.uint8), "L")
    if mode == "RGB":
        a = a[..., :3]
    return Image.fromarray((a * 255 + 0.5).astype(np.uint8), mode)


def resize_layer(arr, w, h):
    """Resample a layer (premultiplied, Lanczos) to an arbitrary size."""
    a = arr[..., 3:4]
    pm = np.concatenate([arr[..., :3] * a, a], axis=2)
    chans = []
    for c in range(4):
        im = Image.fromarray(pm[..., c].astype(np.float32), "F")
        chans.append(np.asarray(im.resize((w, h), Image.LANCZOS), np.float32))
    pm = np.clip(np.stack(chans, axis=2), 0, 1)
    al = pm[..., 3:4]
    rgb = pm[..., :3] / np.where(al > 1e-6, al, 1)
    return np.concatenate([np.clip(rgb, 0, 1), al], axis=2)


# ---------------------------------------------------------------- filters

def _gauss_axis(a, sigma, axis, wrap):
    n = a.shape[axis]
    pad = 0 if wrap else int(3 * sigma + 2)
    if pad:
        widths = [(0, 0)] * a.ndim
        widths[axis] = (pad, pad)
        a = np.pad(a, widths, mode="edge")
    m = a.shape[axis]
    freq = np.fft.rfftfreq(m)
    tf = np.exp(-2 * (math.pi * sigma * freq) ** 2).astype(np.float32)
    shape = [1] * a.ndim
    shape[axis] = tf.size
    out = np.fft.irfft(np.fft.rfft(a, axis=axis) * tf.reshape(shape), n=m, axis=axis)
    if pad:
        out = np.take(out, np.arange(pad, pad + n), axis=axis)
    return out.astype(np.float32)


def blur(a, sigma, sigma_y=None, wrap=False):
    """Gaussian blur of a mask (or each channel of a stack); wrap=True tiles."""
    sy = sigma if sigma_y is None else sigma_y
    out = a.astype(np.float32)
    if sigma > 0:
        out = _gauss_axis(out, sigma, 1, wrap)
    if sy > 0:
        out = _gauss_axis(out, sy, 0, wrap)
    return out


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0, 1)
    return t * t * (3 - 2 * t)


def shift(a, dx, dy):
    """Integer translation with zero fill."""
    out = np.zeros_like(a)
    h, w = a.shape[:2]
    xs0, xd0 = (0, dx) if dx >= 0 else (-dx, 0)
    ys0, yd0 = (0, dy) if dy >= 0 else (-dy, 0)
    cw, ch = w - abs(dx), h - abs(dy)
    if cw > 0 and ch > 0:
        out[yd0:yd0 + ch, xd0:xd0 + cw] = a[ys0:ys0 + ch, xs0:xs0 + cw]
    return out


def noise(w, h, sigma, seed, wrap=False, octaves=1, gain=0.5):
    """Fractal noise in about -1..1 from blurred white noise."""
    rng = np.random.RandomState(seed)
    total = np.zeros((h, w), np.float32)
    amp, norm = 1.0, 0.0
    for _ in range(octaves):
        n = blur(rng.standard_normal((h, w)).astype(np.float32), sigma, wrap=wrap)
        n /= (n.std() + 1e-9)
        total += amp * n
        norm += amp
        amp *= gain
        sigma = max(sigma * 0.5, 0.5)
    return total / norm / 2.2


# ---------------------------------------------------------------- colour

def ramp(t, stops):
    """Map t (array) through colour stops [(pos, (r, g, b)), ...] to H x W x 3."""
    pos = np.array([s[0] for s in stops], np.float32)
    cols = np.array([s[1] for s in stops], np.float32) / 255.0
    t = np.clip(t, pos[0], pos[-1])
    out = np.empty(t.shape + (3,), np.float32)
    for c in range(3):
        out[..., c] = np.interp(t, pos, cols[:, c])
    return out


GOLD = [(0.00, (46, 28, 10)), (0.22, (104, 70, 26)), (0.42, (160, 118, 48)),
        (0.60, (201, 162, 74)), (0.76, (232, 200, 124)), (0.90, (248, 228, 170)),
        (1.00, (255, 248, 222))]

DARK_GOLD = [(0.00, (30, 18, 8)), (0.3, (80, 54, 22)), (0.6, (138, 102, 44)),
             (0.85, (190, 156, 84)), (1.00, (232, 208, 150))]


# ---------------------------------------------------------------- shading

def normals(height, depth):
    gy, gx = np.gradient(height * depth)
    nz = np.ones_like(gx)
    inv = 1.0 / np.sqrt(gx * gx + gy * gy + 1)
    return -gx * inv, -gy * inv, nz * inv


def light_terms(height, depth, light=(-0.35, -0.75, 0.6), shininess=24):
    """Diffuse and specular terms of a height field lit from `light` (y down)."""
    nx, ny, nz = normals(height, depth)
    lx, ly, lz = light
    ln = math.sqrt(lx * lx + ly * ly + lz * lz)
    lx, ly, lz = lx / ln, ly / ln, lz / ln
    diff = nx * lx + ny * ly + nz * lz
    hx, hy, hz = lx, ly, lz + 1
    hn = math.sqrt(hx * hx + hy * hy + hz * hz)
    specular = np.clip((nx * hx + ny * hy + nz * hz) / hn, 0, 1) ** shininess
    return diff - lz, specular


def bevel_height(mask, radius, profile="round"):
    """Height field 0 at the mask edge rising to 1 about `radius` inside.
    "round" gives a pillow (steep edge, flat top), "linear" a chamfer."""
    b = blur(mask, radius * 0.5)
    t = np.clip((b - 0.5) * 2.0, 0, 1) * (mask > 0.5)
    if profile == "round":
        t = 1 - (1 - t) ** 2
    return blur(t, 0.6)


def metal(mask, radius, depth=None, stops=GOLD, base=None, light=(-0.35, -0.75, 0.6),
          contrast=0.55, specular=0.35, height=None, shininess=24):
    """A bevelled metallic layer: `base` (array of ramp positions, default 0.62)
    is modulated by the lighting of a rounded bevel of `radius`."""
    if height is None:
        height = bevel_height(mask, radius)
    if depth is None:
        depth = radius * 1.2
    d, s = light_terms(height, depth, light, shininess)
    if base is None:
        base = 0.62
    t = base + contrast * d + specular * s
    return paint(mask, ramp(t, stops))


def shadow(mask, sigma, dx=0, dy=0, opacity=0.7, colour=(0, 0, 0)):
    m = blur(shift(mask, dx, dy), sigma)
    return paint(m, colour, opacity)


def inner_shadow(mask, sigma, dx, dy, opacity):
    """Darkening inside the mask near its edges, offset like a light from above."""
    outside = 1 - mask
    m = blur(shift(outside, dx, dy), sigma) * mask
    return paint(m, (0, 0, 0), opacity)


# ---------------------------------------------------------------- shapes

def draw_mask(w, h, fn):
    im = Image.new("L", (w, h), 0)
    fn(ImageDraw.Draw(im))
    return np.asarray(im, np.float32) / 255.0


def rounded_rect(w, h, box, r):
    return draw_mask(w, h, lambda d: d.rounded_rectangle(box, r, fill=255))


def polygon(w, h, pts):
    return draw_mask(w, h, lambda d: d.polygon([tuple(p) for p in pts], fill=255))


def ellipse(w, h, box):
    return draw_mask(w, h, lambda d: d.ellipse(box, fill=255))


def stroke_path(w, h, pts, widths):
    """A tapered stroke: discs of the given radius stamped densely along pts."""
    pts = np.asarray(pts, np.float32)
    widths = np.broadcast_to(np.asarray(widths, np.float32), (len(pts),))

    def fn(d):
        for i in range(len(pts) - 1):
            (x0, y0), (x1, y1) = pts[i], pts[i + 1]
            r0, r1 = widths[i], widths[i + 1]
            n = max(int(math.hypot(x1 - x0, y1 - y0) / max(min(r0, r1) * 0.25, 0.5)), 1)
            for k in range(n + 1):
                t = k / n
                x, y, r = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, r0 + (r1 - r0) * t
                d.ellipse((x - r, y - r, x + r, y + r), fill=255)
    return draw_mask(w, h, fn)


def bezier(p0, p1, p2, p3, n=48):
    t = np.linspace(0, 1, n, dtype=np.float32)[:, None]
    p0, p1, p2, p3 = (np.asarray(p, np.float32) for p in (p0, p1, p2, p3))
    return ((1 - t) ** 3) * p0 + 3 * ((1 - t) ** 2) * t * p1 + 3 * (1 - t) * t * t * p2 + t ** 3 * p3


def spiral(cx, cy, r0, r1, a0, a1, n=80):
    """Points of a spiral from radius r0 at angle a0 to radius r1 at angle a1 (radians)."""
    t = np.linspace(0, 1, n, dtype=np.float32)
    r = r0 + (r1 - r0) * t
    a = a0 + (a1 - a0) * t
    return np.stack([cx + r * np.cos(a), cy + r * np.sin(a)], axis=1)


# ---------------------------------------------------------------- text

class Font:
    def __init__(self, path):
        self.path = path
        self._cache = {}

    def get(self, size):
        size = int(round(size))
        if size not in self._cache:
            self._cache[size] = ImageFont.truetype(self.path, size)
        return self._cache[size]


def text_width(font, size, text, tracking=0.0):
    f = font.get(size)
    total = 0.0
    for i, ch in enumerate(text):
        total += f.getlength(ch)
        if i:
            total += tracking * size
    # kerning pairs are ignored on purpose: letter-spaced capitals look even
    return total


def text_mask(w, h, font, size, text, cx, cy, tracking=0.0, stroke=0, cap_centre=True):
    """Letter-spaced text centred on (cx, cy); with cap_centre the capital height
    (not the descender box) is centred, which keeps all-caps labels optically level."""
    f = font.get(size)
    total = text_width(font, size, text, tracking)
    hb = f.getbbox("H")
    top = cy - (hb[1] + hb[3]) / 2.0 if cap_centre else cy
    im = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(im)
    x = cx - total / 2.0
    for ch in text:
        d.text((x, top), ch, font=f, fill=255, stroke_width=stroke, stroke_fill=255)
        x += f.getlength(ch) + tracking * size
    return np.asarray(im, np.float32) / 255.0


def bbox_of(mask, thresh=0.02):
    ys, xs = np.nonzero(mask > thresh)
    if len(xs) == 0:
        return 0, 0, 0, 0
    return xs.min(), ys.min(), xs.max() + 1, ys.max() + 1


def vertical_base(mask, stops_pos):
    """Ramp positions that run top to bottom over the mask's bounding box."""
    x0, y0, x1, y1 = bbox_of(mask)
    h, w = mask.shape
    t = (np.arange(h, dtype=np.float32)[:, None] - y0) / max(y1 - y0, 1)
    pos = np.array([p for p, _ in stops_pos], np.float32)
    val = np.array([v for _, v in stops_pos], np.float32)
    return np.broadcast_to(np.interp(np.clip(t, 0, 1), pos, val), (h, w)).astype(np.float32)
