"""Approximate compositions of the two launcher windows at UI scale 1.3, for
judging the artwork in place (render.py --preview DIR). Not shipped."""

import numpy as np
from PIL import ImageDraw, ImageFont

import artkit
import ornaments

S = 1.3
UI_SANS = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
UI_SANS_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
UI_SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"


def px(v):
    return int(v * S + 0.5)


def _place(canvas, img, l, t, w, h):
    x0, y0 = px(l), px(t)
    x1, y1 = px(l + w), px(t + h)
    artkit.over(canvas, artkit.resize_layer(img, x1 - x0, y1 - y0), x0, y0)


def _pil_font(path, size):
    return ImageFont.truetype(path, max(int(round(size)), 1))


def main_window(made, font, path):
    W, H = px(1120), px(680)
    c = made["backdrop"].copy()
    yy, xx = np.mgrid[0:H, 0:W].astype(np.float32)
    # title vignette: ellipse (180, -40, 760, 260), dark centre fading out
    r = np.sqrt(((xx - px(560)) / (760 * S / 2)) ** 2 + ((yy - px(90)) / (260 * S / 2)) ** 2)
    artkit.over(c, artkit.paint(np.clip(1 - r, 0, 1), (20, 14, 8), 0x96 / 255))
    lg = made["logo"]
    lw = lg.shape[1] * 170.0 / lg.shape[0]
    _place(c, lg, (1120 - lw) / 2, 4, lw, 170)
    panel = ornaments.nine_slice(made["frame"], made["texture"], px(990) - px(130), px(652) - px(176),
                                 0.6 * S, tex_px=128 * S)
    artkit.over(c, panel, px(130), px(176))
    # content well
    f = 2
    well = artkit.rounded_rect(W * f, H * f, (166 * S * f, 214 * S * f, 954 * S * f, 616 * S * f), 6 * S * f)
    lay = artkit.layer(W * f, H * f)
    artkit.over(lay, artkit.paint(well, (0, 0, 0), 0x55 / 255))
    ring = artkit.rounded_rect(W * f, H * f, (165.5 * S * f, 213.5 * S * f, 954.5 * S * f, 616.5 * S * f),
                               6.5 * S * f)
    inner = artkit.rounded_rect(W * f, H * f, (166.5 * S * f, 214.5 * S * f, 953.5 * S * f, 615.5 * S * f),
                                5.5 * S * f)
    artkit.over(lay, artkit.paint(np.clip(ring - inner, 0, 1), (190, 148, 76), 0x96 / 255))
    artkit.over(c, artkit.downsample(lay, f))
    for (l, t, rr, b), name in zip(
            [(181, 444, 299, 497), (309, 444, 427, 497), (437, 444, 555, 497), (565, 444, 683, 497),
             (693, 444, 811, 497), (821, 444, 939, 497)],
            ["btn_facebook.png", "btn_whatsapp.png", "btn_discord.png", "btn_site.png",
             "btn_updates.png", "btn_settings.png"]):
        _place(c, made[name], l, t, rr - l, b - t)
    _place(c, made["play_ready.png"], 722, 510, 216, 88)
    # running lights: two short trails
    for hx, hy in ((420, 186), (700, 641.5)):
        for n in range(23, -1, -1):
            t = 1 - n / 24.0
            rad = (5 * t + 2.5) * S
            cx, cy = (hx - 4 * n) * S, hy * S
            d = np.sqrt((xx - cx) ** 2 + (yy - cy) ** 2) / rad
            artkit.over(c, artkit.paint(np.clip(1 - d, 0, 1), (255, 226, 160), 0.6 * t * t))
    im = artkit.to_pil(c, "RGB")
    d = ImageDraw.Draw(im)
    d.polygon([(px(188), px(232)), (px(196), px(240)), (px(188), px(248)), (px(180), px(240))],
              fill=(201, 162, 74))
    d.text((px(204), px(230)), "NOVIDADES DO SERVIDOR", font=font.get(18 * S), fill=(245, 232, 200))
    vf = font.get(14 * S)
    txt = "Launcher v16"
    d.text((px(940) - vf.getlength(txt), px(233)), txt, font=vf, fill=(176, 160, 130))
    nf = _pil_font(UI_SERIF, 14 * S)
    for i, line in enumerate(["Nova temporada de eventos começa nesta sexta-feira",
                              "Manutenção programada concluída com sucesso",
                              "Ajustes de equilíbrio nas classes de combate"]):
        y = 272 + i * 52
        d.rounded_rectangle((px(186), px(y), px(934), px(y + 44)), px(6), fill=(24, 16, 14),
                            outline=(110, 84, 50))
        d.text((px(200), px(y + 12)), line, font=nf, fill=(235, 222, 196))
    d.text((px(180), px(506)), "Pronto para jogar.", font=_pil_font(UI_SANS, 13 * S), fill=(232, 220, 196))
    for t, label in ((528, "Total  100%"), (554, "Arquivo  100%")):
        d.rounded_rectangle((px(180), px(t), px(700), px(t + 18)), px(9), fill=(16, 11, 8),
                            outline=(176, 134, 64))
        d.rounded_rectangle((px(182), px(t + 2), px(698), px(t + 16)), px(7), fill=(200, 156, 80))
        bf = _pil_font(UI_SANS_BOLD, 10.5 * S)
        tw = bf.getlength(label)
        d.text((px(440) - tw / 2, px(t + 2.5)), label, font=bf, fill=(255, 246, 222))
    lf = _pil_font(UI_SANS, 12.5 * S)
    lb = _pil_font(UI_SANS_BOLD, 12.5 * S)
    a, b = "Não tem conta? ", "Criar conta"
    x0 = px(440) - (lf.getlength(a) + lb.getlength(b)) / 2
    d.text((x0, px(582)), a, font=lf, fill=(232, 220, 196))
    d.text((x0 + lf.getlength(a), px(582)), b, font=lb, fill=(226, 196, 124))
    im.save(path)
    made["_main_preview"] = im


def settings_window(made, font, path):
    base = made.get("_main_preview")
    c = np.asarray(base, np.float32) / 255.0
    c = np.concatenate([c, np.ones(c.shape[:2] + (1,), np.float32)], axis=2)
    H, W = c.shape[:2]
    artkit.over(c, artkit.solid(W, H, (0, 0, 0), 0x96 / 255))
    k = 0.88 * S
    ox, oy = 316, 298
    Wp = int(936 / 1.3 + 0.5)

    def P(v):
        return int(v * k + 0.5)
    panel = ornaments.nine_slice(made["frame"], made["texture"], P(Wp - 68), P(394), 0.58 * k,
                                 tex_px=128 * k)
    artkit.over(c, panel, ox + P(34), oy + P(12))
    f = 2
    lay = artkit.layer(W * f, H * f)
    well = artkit.rounded_rect(W * f, H * f, ((ox + 64 * k) * f, (oy + 40 * k) * f,
                                              (ox + (Wp - 64) * k) * f, (oy + 378 * k) * f), 6 * k * f)
    artkit.over(lay, artkit.paint(well, (0, 0, 0), 0x55 / 255))
    artkit.over(c, artkit.downsample(lay, f))
    save = made["save.png"]
    sh = 158.0 * save.shape[0] / save.shape[1]
    for n, name in ((1, "save.png"), (2, "cancel.png")):
        x = Wp * 0.5 - 158 - 10 + (178 if n == 2 else 0)
        x0, y0 = ox + P(x), oy + P(322)
        img = artkit.resize_layer(made[name], P(x + 158) - P(x), P(322 + sh) - P(322))
        artkit.over(c, img, x0, y0)
    im = artkit.to_pil(c, "RGB")
    d = ImageDraw.Draw(im)
    tf = font.get(20 * k)
    t = "CONFIGURAÇÕES"
    d.text((ox + P(Wp / 2) - tf.getlength(t) / 2, oy + P(48)), t, font=tf, fill=(245, 232, 200))
    gf = _pil_font(UI_SERIF, 13 * k)
    d.text((ox + P(82), oy + P(81)), "VÍDEO", font=gf, fill=(226, 196, 124))
    d.text((ox + P(384), oy + P(81)), "SOM E BRILHO", font=gf, fill=(226, 196, 124))
    im.save(path)


def sheet(made, path):
    names = [n for n in made if n.endswith(".png")]
    W = 1100
    y, x, row_h = 10, 10, 0
    placements = []
    for n in names:
        img = made[n]
        h, w = img.shape[:2]
        if x + w > W - 10:
            x, y = 10, y + row_h + 10
            row_h = 0
        placements.append((n, x, y))
        x += w + 10
        row_h = max(row_h, h)
    out = artkit.solid(W, y + row_h + 10, (43, 26, 39))
    for n, x, y in placements:
        artkit.over(out, made[n], x, y)
    artkit.to_pil(out, "RGB").save(path)
