#!/usr/bin/python3
"""Pictures and feed of the demo site's news (demo/site/news/*.jpg, demo/site/updates-feed.json).

    news_pictures.py [OUT_DIR]    default: demo/site next to this repository's tools/

Each picture is a small painted scene; the sizes differ on purpose (wide, tall, exact) so the
launcher's cover-crop shows. The outputs are committed; rerun after changing a scene.
"""

import json
import math
import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFilter

SITE = "http://127.0.0.1:47180"


def vertical(w, h, stops):
    """RGB float image with a vertical gradient through (position, colour) stops."""
    t = np.linspace(0, 1, h)[:, None]
    out = np.zeros((h, w, 3), np.float32)
    for c in range(3):
        xs = [p for p, _ in stops]
        ys = [col[c] for _, col in stops]
        out[:, :, c] = np.interp(t, xs, ys)
    return out


def glow(img, cx, cy, r, colour, strength):
    h, w, _ = img.shape
    y, x = np.mgrid[0:h, 0:w]
    d = np.sqrt((x - cx) ** 2 + (y - cy) ** 2) / r
    a = np.clip(1 - d, 0, 1) ** 2 * strength
    img += a[:, :, None] * (np.array(colour, np.float32)[None, None, :] - img) * 0.9
    return img


def skyline(w, seed, base, amp, scale):
    rng = np.random.RandomState(seed)
    x = np.arange(w, dtype=np.float32)
    v = np.zeros(w, np.float32)
    a, s = 1.0, scale
    for _ in range(5):
        pts = rng.uniform(-1, 1, int(w / s) + 3)
        v += a * np.interp(x, np.arange(len(pts)) * s - s, pts)
        a *= 0.5
        s = max(s / 2, 3)
    return base - amp * v


def fill_below(img, line, colour, soft=1.0):
    h, w, _ = img.shape
    y = np.arange(h, dtype=np.float32)[:, None]
    m = np.clip((y - line[None, :]) / soft + 0.5, 0, 1)
    img += m[:, :, None] * (np.array(colour, np.float32)[None, None, :] - img)
    return img


def to_image(arr):
    return Image.fromarray(np.clip(arr, 0, 255).astype(np.uint8), "RGB")


def mountains_at_dusk():
    w, h = 640, 360
    img = vertical(w, h, [(0, (40, 30, 70)), (0.55, (214, 120, 70)), (1, (90, 40, 40))])
    img = glow(img, 430, 205, 160, (255, 214, 150), 1.0)
    for seed, base, amp, col in [(3, 210, 40, (110, 60, 70)), (5, 250, 45, (70, 38, 52)),
                                 (9, 300, 30, (36, 22, 30))]:
        img = fill_below(img, skyline(w, seed, base, amp, 90), col)
    pic = to_image(img)
    d = ImageDraw.Draw(pic)
    # A keep on the nearest ridge.
    d.rectangle([150, 228, 176, 300], fill=(28, 18, 24))
    d.polygon([(146, 230), (163, 206), (180, 230)], fill=(28, 18, 24))
    d.rectangle([180, 250, 214, 300], fill=(28, 18, 24))
    for x in (182, 194, 206):
        d.rectangle([x, 244, x + 6, 252], fill=(28, 18, 24))
    d.rectangle([160, 250, 165, 258], fill=(255, 200, 110))
    return pic


def moonlit_lake():
    w, h = 400, 500  # tall: the thumbnail keeps its middle band
    img = vertical(w, h, [(0, (10, 16, 40)), (0.5, (40, 60, 110)), (1, (12, 18, 36))])
    img = glow(img, 270, 170, 120, (230, 235, 255), 0.8)
    img = fill_below(img, skyline(w, 11, 260, 30, 70), (20, 26, 50))
    pic = to_image(img)
    d = ImageDraw.Draw(pic)
    d.ellipse([245, 145, 295, 195], fill=(245, 244, 230))
    rng = np.random.RandomState(4)
    for _ in range(60):
        x, y = rng.randint(0, w), rng.randint(0, 230)
        d.point((x, y), fill=(220, 225, 255))
    for i in range(18):  # the moon's path on the water
        y = 290 + i * 9
        half = 8 + i * 2
        d.line([(270 - half, y), (270 + half, y)], fill=(180, 190, 230), width=2)
    return pic.filter(ImageFilter.SMOOTH)


def festival_lanterns():
    w, h = 512, 352
    img = vertical(w, h, [(0, (30, 14, 30)), (1, (70, 30, 40))])
    for cx, cy in [(90, 110), (200, 80), (320, 120), (430, 90), (150, 220), (380, 230)]:
        img = glow(img, cx, cy, 70, (255, 170, 80), 0.7)
    pic = to_image(img)
    d = ImageDraw.Draw(pic)
    d.line([(0, 60), (512, 40)], fill=(40, 24, 20), width=2)
    for cx, cy in [(90, 110), (200, 80), (320, 120), (430, 90), (150, 220), (380, 230)]:
        d.line([(cx, cy - 40), (cx, cy - 22)], fill=(40, 24, 20), width=2)
        d.ellipse([cx - 18, cy - 24, cx + 18, cy + 24], fill=(240, 120, 50))
        d.ellipse([cx - 10, cy - 16, cx + 10, cy + 16], fill=(255, 210, 120))
        d.rectangle([cx - 8, cy + 22, cx + 8, cy + 28], fill=(90, 40, 20))
    d.rectangle([0, 300, 512, 352], fill=(26, 14, 18))
    return pic.filter(ImageFilter.GaussianBlur(0.6))


def crossed_swords():
    w, h = 900, 420  # very wide: most of the sides are cropped away
    img = vertical(w, h, [(0, (60, 20, 20)), (1, (20, 8, 10))])
    img = glow(img, 450, 210, 260, (200, 90, 50), 0.6)
    pic = to_image(img)
    d = ImageDraw.Draw(pic)
    for a in (-1, 1):
        ang = math.radians(45 * a)
        dx, dy = math.sin(ang), -math.cos(ang)
        x0, y0 = 450 - dx * 150, 210 - dy * 150
        x1, y1 = 450 + dx * 150, 210 + dy * 150
        d.line([(x0, y0), (x1, y1)], fill=(215, 220, 230), width=12)
        gx, gy = 450 - dx * 95, 210 - dy * 95
        d.line([(gx - dy * 34, gy + dx * 34), (gx + dy * 34, gy - dx * 34)], fill=(200, 160, 70),
               width=10)
        d.ellipse([x0 - 10, y0 - 10, x0 + 10, y0 + 10], fill=(200, 160, 70))
    d.polygon([(450, 260), (500, 285), (490, 345), (450, 370), (410, 345), (400, 285)],
              fill=(120, 30, 30), outline=(200, 160, 70))
    return pic


PICTURES = {
    "news/fortaleza.jpg": mountains_at_dusk,
    "news/lago.jpg": moonlit_lake,
    "news/festival.jpg": festival_lanterns,
    "news/torneio.jpg": crossed_swords,
}

FEED = {
    "items": [
        {
            "date": "12 de mar\u00e7o",
            "title": "Nova regi\u00e3o: Fortaleza de Cinzaval",
            "summary": "Explore as muralhas esquecidas ao norte do vale, enfrente os guardi\u00f5es "
                       "de pedra e descubra rel\u00edquias que n\u00e3o eram vistas h\u00e1 "
                       "s\u00e9culos.",
            "url": SITE + "/updates.html#cinzaval",
            "image": SITE + "/news/fortaleza.jpg",
        },
        {
            "date": "5 de mar\u00e7o",
            "title": "Festival das Lanternas come\u00e7a s\u00e1bado",
            "summary": "Miss\u00f5es di\u00e1rias, fantasias exclusivas e o concurso de "
                       "lanternas na pra\u00e7a central.",
            "url": SITE + "/updates.html#festival",
            "image": SITE + "/news/festival.jpg",
        },
        {
            "date": "28 de fevereiro",
            "title": "Manuten\u00e7\u00e3o programada",
            "summary": "Os servidores ficar\u00e3o fora do ar na ter\u00e7a-feira, das 4h \u00e0s "
                       "6h, para a atualiza\u00e7\u00e3o do banco de dados.",
            "url": SITE + "/updates.html#manutencao",
        },
        {
            "date": "20 de fevereiro",
            "title": "Torneio de Inverno: inscri\u00e7\u00f5es abertas para equipes de todas as "
                     "guildas do reino, com pr\u00eamios in\u00e9ditos e transmiss\u00e3o ao vivo",
            "summary": "Monte sua equipe de cinco jogadores e garanta a vaga at\u00e9 domingo.",
            "url": SITE + "/updates.html#torneio",
            "image": SITE + "/news/torneio.jpg",
        },
        {
            "date": "14 de fevereiro",
            "title": "Di\u00e1rio do desenvolvimento: o Lago Sereno",
            "summary": "Contamos como nasceu a nova \u00e1rea noturna: a ilumina\u00e7\u00e3o da "
                       "lua sobre a \u00e1gua foi refeita tr\u00eas vezes, os peixes agora "
                       "reagem \u00e0 aproxima\u00e7\u00e3o dos jogadores, as trilhas "
                       "ganharam novos atalhos secretos e a trilha sonora foi gravada com uma "
                       "orquestra de c\u00e2mara. Ao final, respondemos \u00e0s perguntas "
                       "mais votadas da comunidade sobre pesca, barcos e o equil\u00edbrio das "
                       "classes m\u00e1gicas em combate aqu\u00e1tico.",
            "url": SITE + "/updates.html#lago",
            "image": SITE + "/news/lago.jpg",
        },
        {
            "date": "1 de fevereiro",
            "title": "Bem-vindo ao servidor de demonstra\u00e7\u00e3o",
            "summary": "Esta lista vem do arquivo updates-feed.json do site.",
            "url": SITE + "/",
        },
    ]
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "demo", "site")
    for name, scene in PICTURES.items():
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        scene().save(path, "JPEG", quality=84, optimize=True, progressive=False)
    # Accented text as UTF-8 bytes: the launcher's JSON reader does not decode \u escapes.
    with open(os.path.join(out, "updates-feed.json"), "w", encoding="utf-8") as f:
        json.dump(FEED, f, ensure_ascii=False, indent=2)
        f.write("\n")


if __name__ == "__main__":
    main()
