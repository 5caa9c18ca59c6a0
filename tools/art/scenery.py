"""The window backdrop: a moonlit mountain valley with a castle on a crag.

The launcher covers the middle of the picture with its panel, so the parts
that show are the sky band behind the logo, the two side strips and the
bottom edge; the composition keeps its interest there (moon to the left of
the logo, castle to the right, mountain flanks down the sides) and darkens
towards the bottom.
"""

import numpy as np

from artkit import blur, downsample, draw_mask, noise, ramp, smoothstep, solid

W, H = 1456, 884


def fbm1d(n, seed, scale, octaves=6, gain=0.5):
    """1-D fractal noise (about -1..1) over n samples, features about `scale` wide."""
    rng = np.random.RandomState(seed)
    x = np.arange(n, dtype=np.float32)
    total = np.zeros(n, np.float32)
    amp, norm = 1.0, 0.0
    for _ in range(octaves):
        pts = int(n / scale) + 4
        vals = rng.uniform(-1, 1, pts).astype(np.float32)
        xp = np.arange(pts, dtype=np.float32) * scale - scale
        v = np.interp(x, xp, vals)
        k = max(scale / 3.0, 1.0)
        v = blur(v[None, :], k)[0]
        total += amp * v / (np.abs(v).max() + 1e-6)
        norm += amp
        amp *= gain
        scale = max(scale / 2.0, 2.0)
    return total / norm


def ridge(n, seed, scale, octaves=6, sharp=1.0):
    """Peaky ridge heights (0..1): folded noise gives sharp summits."""
    v = fbm1d(n, seed, scale, octaves)
    r = 1 - np.abs(v) * 1.4
    r = np.clip(r, 0, 1) ** (1 + sharp)
    return 0.6 * r + 0.4 * (v * 0.5 + 0.5)


def coverage_below(line):
    """Antialiased mask of everything below a per-column height line."""
    y = np.arange(H, dtype=np.float32)[:, None]
    return np.clip(y - line[None, :] + 0.5, 0, 1)


def facet_shading(line, depth, seed, streak=1.0):
    """Light (-1..1) of mountain faces under a skyline, lit from the left: a face
    is lit where the ridge rises to the right. The ridge is smoothed more the
    deeper below the skyline, so faces widen downward like real slopes, and
    vertical streaks break them into gullies."""
    levels = 10
    ds = np.linspace(0, depth, levels)
    h = -line
    slopes = []
    for d in ds:
        sm = blur(h[None, :], 1.5 + d * 0.35)[0]
        slopes.append(np.gradient(sm))
    slopes = np.array(slopes, np.float32)
    y = np.arange(H, dtype=np.float32)[:, None]
    dep = np.clip((y - line[None, :]) / depth * (levels - 1), 0, levels - 1)
    i0 = np.floor(dep).astype(int)
    i1 = np.minimum(i0 + 1, levels - 1)
    fr = dep - i0
    cols = np.arange(W)[None, :]
    s = slopes[i0, cols] * (1 - fr) + slopes[i1, cols] * fr
    light = np.tanh(s * 2.2)
    g = noise(W, H, 2.0, seed, octaves=3)
    g = blur(g, 1.4, 7)
    g = g / (g.std() + 1e-6)
    fade = np.exp(-dep / (levels - 1) * 2.5)
    return np.clip(light + 0.22 * streak * g * fade, -1, 1)


def sky():
    y = np.arange(H, dtype=np.float32)[:, None] / H
    x = np.arange(W, dtype=np.float32)[None, :] / W
    base = ramp(np.broadcast_to(y, (H, W)), [
        (0.00, (12, 8, 20)), (0.10, (22, 14, 32)), (0.20, (40, 24, 48)),
        (0.28, (74, 44, 64)), (0.34, (118, 72, 74)), (0.40, (160, 104, 78)),
        (0.48, (120, 80, 72)), (1.0, (60, 40, 50))])
    img = solid(W, H, (0, 0, 0))
    img[..., :3] = base
    # warm glow low in the sky, behind the castle side
    g = np.exp(-(((x - 0.62) / 0.40) ** 2 + ((y - 0.27) / 0.10) ** 2))
    img[..., :3] += g[..., None] * np.array([0.26, 0.14, 0.05], np.float32)
    # clouds: long soft bands lit from below by the glow, from above by the moon
    c = noise(W, H, 9, 11, octaves=5, gain=0.6)
    c = blur(c, 26, 3)
    c = (c - c.mean()) / (c.std() + 1e-6)
    band = smoothstep(0.02, 0.12, y) * (1 - smoothstep(0.30, 0.42, y))
    cl = np.clip(c * 0.6 - 0.1, 0, 1) * band
    tint = ramp(np.broadcast_to(y, (H, W)), [(0.0, (70, 60, 96)), (0.2, (120, 86, 110)),
                                             (0.34, (214, 150, 106))])
    img[..., :3] = img[..., :3] * (1 - cl[..., None] * 0.55) + tint * cl[..., None] * 0.55
    dark = np.clip(-c * 0.5 - 0.2, 0, 1) * band
    img[..., :3] *= (1 - 0.35 * dark[..., None])
    # stars, fading toward the horizon
    rng = np.random.RandomState(5)
    n = 420
    sx = rng.uniform(0, W, n)
    sy = rng.uniform(0, H * 0.30, n) ** 1.25 / (H * 0.30) ** 0.25
    sb = rng.uniform(0.15, 1.0, n) ** 3
    stars = np.zeros((H, W), np.float32)
    for px, py, b in zip(sx, sy, sb):
        ix, iy = int(px), int(py)
        if 0 <= ix < W and 0 <= iy < H:
            stars[iy, ix] += b
    stars = blur(stars, 0.55) * 3.2
    stars *= (1 - smoothstep(0.12, 0.30, y)) * (1 - 0.8 * cl)
    img[..., :3] += np.clip(stars, 0, 1)[..., None] * np.array([1.0, 0.95, 0.85], np.float32)
    return img


def moon(img, cx, cy, r):
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float32)
    d = np.sqrt((xx - cx) ** 2 + (yy - cy) ** 2)
    halo = np.exp(-((d / (r * 3.2)) ** 2)) * 0.30 + np.exp(-((d / (r * 1.5)) ** 2)) * 0.25
    img[..., :3] += halo[..., None] * np.array([0.85, 0.70, 0.62], np.float32)
    disc = np.clip(r - d + 0.5, 0, 1)
    maria = noise(W, H, r * 0.22, 17, octaves=3)
    shade = 0.86 + 0.12 * maria - 0.10 * np.clip((d / r) ** 3, 0, 1)
    col = np.stack([shade * 1.0, shade * 0.93, shade * 0.82], axis=2)
    img[..., :3] = img[..., :3] * (1 - disc[..., None]) + col * disc[..., None]


def mountain_layer(img, line, lit, shade, base, haze_colour, haze, seed, snow=0.0,
                   depth=260, snow_line=60):
    """One range below `line`: lit and shaded faces blending into `base` lower
    down, snow on the upper lit faces, haze rising from the valley."""
    m = coverage_below(line)
    y = np.arange(H, dtype=np.float32)[:, None]
    below = np.clip((y - line[None, :]) / depth, 0, 1)
    light = facet_shading(line, depth, seed)
    lit_c = np.asarray(lit, np.float32) / 255
    sh_c = np.asarray(shade, np.float32) / 255
    k = (light * 0.5 + 0.5)[..., None]
    col = sh_c * (1 - k) + lit_c * k
    b = smoothstep(0.2, 1.0, below)[..., None]
    col = col * (1 - b) + np.asarray(base, np.float32) / 255 * b
    if snow > 0:
        depth_px = (y - line[None, :])
        n = blur(noise(W, H, 1.5, seed + 100, octaves=3), 1.2, 6)
        n = n / (n.std() + 1e-6) * 0.45
        s = (1 - smoothstep(snow_line * 0.4, snow_line, depth_px + n * 30)) * smoothstep(-0.1, 0.5, light) * snow
        s = np.clip(s, 0, 1)
        snow_c = np.array([0.68, 0.64, 0.74], np.float32) * (0.7 + 0.3 * light[..., None])
        col = col * (1 - s[..., None]) + snow_c * s[..., None]
    hz = (smoothstep(0.1, 1.0, below) * haze)[..., None]
    col = col * (1 - hz) + np.asarray(haze_colour, np.float32) / 255 * hz
    # a thin moonlit edge along the skyline
    edge = np.clip(m - coverage_below(line + 1.5), 0, 1) * np.clip(light + 0.3, 0, 1)
    col += edge[..., None] * 0.10
    img[..., :3] = img[..., :3] * (1 - m[..., None]) + col * m[..., None]
    return m


def mist(img, y0, y1, colour, opacity, seed):
    y = np.arange(H, dtype=np.float32)[:, None]
    c = noise(W, H, 14, seed, octaves=4, gain=0.6)
    c = blur(c, 40, 4)
    c = (c - c.mean()) / (c.std() + 1e-6)
    prof = smoothstep(y0, (y0 + y1) / 2, y) * (1 - smoothstep((y0 + y1) / 2, y1, y))
    a = np.clip(0.55 + 0.45 * c, 0, 1) * prof * opacity
    col = np.asarray(colour, np.float32) / 255.0
    img[..., :3] = img[..., :3] * (1 - a[..., None]) + col * a[..., None]


def trees(line, seed, height, density, jitter):
    """Mask of a fir forest standing on a height line (drawn supersampled)."""
    f = 3
    rng = np.random.RandomState(seed)

    def draw(d):
        x = 0.0
        while x < W:
            gy = line[min(int(x), W - 1)]
            h = height * rng.uniform(0.55, 1.25)
            w = h * rng.uniform(0.22, 0.32)
            base = gy + rng.uniform(0, jitter)
            tiers = 4
            for k in range(tiers):
                t0 = k / tiers
                top = base - h * (1 - t0 * 0.75)
                bot = base - h * (0.62 - t0 * 0.6) if k < tiers - 1 else base
                ww = w * (0.45 + 0.55 * (k + 1) / tiers)
                d.polygon([(x * f, top * f), ((x + ww) * f, bot * f), ((x - ww) * f, bot * f)], fill=255)
            d.rectangle(((x - w * 0.08) * f, (base - h * 0.1) * f, (x + w * 0.08) * f, (base + 4) * f), fill=255)
            x += rng.exponential(1.0 / density) + 1.5
    m = draw_mask(W * f, H * f, draw)
    return downsample(m, f)


def castle(cx, base_y, scale):
    """Silhouette mask of a castle on a crag, plus a mask of its lit windows."""
    f = 4

    def X(v):
        return (cx + v * scale) * f

    def Y(v):
        return (base_y - v * scale) * f

    win = []

    def draw(d):
        def tower(x0, x1, top, roof=None, merlons=True):
            d.rectangle((X(x0), Y(top), X(x1), Y(-40)), fill=255)
            if roof:
                d.polygon([(X(x0 - 3), Y(top)), (X((x0 + x1) / 2), Y(top + roof)), (X(x1 + 3), Y(top))],
                          fill=255)
            elif merlons:
                wdt = x1 - x0
                n = max(int(wdt / 6), 2)
                step = wdt / (2 * n - 1)
                for k in range(n):
                    a = x0 + 2 * k * step
                    d.rectangle((X(a), Y(top + 5), X(a + step), Y(top - 1)), fill=255)
        # curtain wall with drum towers at its ends, the hall behind it
        tower(-100, 92, 30)
        tower(-112, -92, 54)
        tower(84, 104, 48)
        tower(-60, 30, 50, roof=16)
        # keep and towers
        tower(-22, 14, 112, roof=34)
        tower(-86, -66, 70, roof=26)
        tower(54, 72, 64, roof=24)
        tower(20, 36, 82, roof=22)
        tower(-50, -36, 88, roof=20)
        # flagpole on the keep
        d.rectangle((X(-2.0), Y(146), X(0.6), Y(160)), fill=255)
        d.polygon([(X(0.6), Y(160)), (X(12), Y(156)), (X(0.6), Y(152))], fill=255)
        for wx, wy in [(-6, 80), (2, 80), (-4, 64), (-80, 48), (60, 44), (27, 62), (-44, 66),
                       (-30, 30), (-12, 30), (40, 22), (-102, 40), (94, 36)]:
            win.append((wx, wy))
    m = draw_mask(W * f, H * f, draw)

    def draw_win(d):
        for wx, wy in win:
            d.rectangle((X(wx - 1.3), Y(wy + 3.2), X(wx + 1.3), Y(wy)), fill=255)
    wm = draw_mask(W * f, H * f, draw_win)
    return downsample(m, f), downsample(wm, f)


def crag(line, cx, top, half):
    """Raise a steep rock crag out of a skyline."""
    x = np.arange(W, dtype=np.float32)
    d = np.abs(x - cx) / half
    prof = np.clip(1 - d, 0, 1) ** 0.8
    prof = np.where(d < 0.62, 1.0 - 0.04 * (d / 0.62) ** 2, prof / (0.38 ** 0.8) * 0.96)
    prof = np.clip(prof, 0, 1)
    bump = fbm1d(W, 99, 14, 4) * 6
    target = top + bump
    return np.minimum(line, line * (1 - prof) + target * prof)


def backdrop():
    img = sky()
    moon(img, 292, 104, 40)
    x = np.arange(W, dtype=np.float32)
    # far range: high peaks on both flanks, lower in the middle, behind the logo
    flank = 1 - 0.55 * np.exp(-((x - 730) / 330) ** 2)
    far = 262 - 150 * ridge(W, 21, 150, sharp=1.2) * flank
    mountain_layer(img, far, (112, 92, 118), (58, 42, 72), (96, 66, 84), (140, 100, 104), 0.55, 31,
                   snow=0.85, depth=190, snow_line=55)
    mist(img, 215, 330, (140, 100, 104), 0.5, 41)
    mid = 330 - 135 * ridge(W, 22, 120, sharp=0.8) * (1 - 0.35 * np.exp(-((x - 700) / 300) ** 2))
    mid = crag(mid, 1212, 204, 190)
    mountain_layer(img, mid, (88, 64, 86), (36, 24, 42), (52, 34, 50), (104, 72, 84), 0.55, 32,
                   snow=0.35, depth=220, snow_line=40)
    cm, wm = castle(1210, 198, 1.05)
    cc = np.array([34, 22, 36], np.float32) / 255
    img[..., :3] = img[..., :3] * (1 - cm[..., None]) + cc * cm[..., None]
    rim = np.clip(cm - np.roll(cm, 2, axis=1), 0, 1) * np.clip(cm - np.roll(cm, 2, axis=0), 0.3, 1)
    img[..., :3] += rim[..., None] * np.array([0.16, 0.13, 0.17], np.float32)
    glowm = blur(wm, 3.0)
    img[..., :3] += glowm[..., None] * np.array([0.50, 0.27, 0.07], np.float32)
    img[..., :3] = img[..., :3] * (1 - wm[..., None]) + np.array([1.0, 0.78, 0.42], np.float32) * wm[..., None]
    # rock in front of the castle's footing
    x_in = np.abs(x - 1212) < 118
    front = np.where(x_in, 204 + fbm1d(W, 98, 10, 4) * 7 + ((x - 1212) / 118) ** 4 * 12, 1e4)
    front = np.minimum(front, np.where(x_in, 1e4, mid))
    mountain_layer(img, np.maximum(front, mid - 0.0), (88, 64, 86), (36, 24, 42), (52, 34, 50),
                   (104, 72, 84), 0.55, 35, depth=220)
    mist(img, 300, 430, (112, 78, 90), 0.5, 42)
    near = 440 - 150 * ridge(W, 23, 170, sharp=0.4) * (0.5 + 0.5 * np.abs((x - 728) / 728) ** 1.2)
    mountain_layer(img, near, (58, 40, 56), (24, 14, 26), (22, 14, 22), (70, 48, 62), 0.3, 33, depth=300)
    tm = trees(near, 51, 26, 0.13, 14)
    img[..., :3] = img[..., :3] * (1 - tm[..., None] * 0.8) + np.array([0.09, 0.06, 0.09], np.float32) * tm[..., None] * 0.8
    mist(img, 420, 560, (84, 58, 74), 0.45, 43)
    low = 600 - 120 * ridge(W, 24, 220, sharp=0.3) * (0.4 + 0.6 * np.abs((x - 728) / 728) ** 1.5)
    mountain_layer(img, low, (34, 22, 32), (14, 9, 14), (12, 8, 12), (40, 28, 38), 0.2, 34, depth=300)
    tm = trees(low, 52, 44, 0.09, 18)
    img[..., :3] = img[..., :3] * (1 - tm[..., None]) + np.array([0.05, 0.03, 0.05], np.float32) * tm[..., None]
    # darken toward the bottom so the panel and the text over it stay legible
    y = np.arange(H, dtype=np.float32)[:, None] / H
    x2 = np.arange(W, dtype=np.float32)[None, :] / W
    dim = 1 - 0.80 * smoothstep(0.45, 1.0, y)
    vign = 1 - 0.35 * (np.abs(x2 - 0.5) * 2) ** 3
    img[..., :3] *= (dim * vign)[..., None]
    # fine grain keeps the gradients from banding after JPEG compression
    g = np.random.RandomState(3).standard_normal((H, W)).astype(np.float32) * 0.006
    img[..., :3] = np.clip(img[..., :3] + g[..., None], 0, 1)
    img[..., 3] = 1
    return img
