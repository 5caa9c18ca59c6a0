#!/usr/bin/python3
"""Renders the launcher's embedded artwork and copies its display font into res/.

The outputs are committed, so building the launcher needs none of this.
Regenerating needs Debian's packages:
    python3-pil python3-numpy python3-fonttools fonts-cardo
and is run from the repository root with
    /usr/bin/python3 tools/art/render.py [--preview DIR] [--only NAME ...]

Everything is deterministic (fixed seeds), so an unchanged script reproduces
the same pixels.
"""

import argparse
import io
import os
import shutil
import struct
import subprocess
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import artkit  # noqa: E402
import emblem  # noqa: E402
import ornaments  # noqa: E402
import scenery  # noqa: E402
import widgets  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RES = os.path.join(ROOT, "res")

FONT_PACKAGE = "fonts-cardo"
FONT_SOURCE = "/usr/share/fonts/truetype/cardo/Cardo104s.ttf"
FONT_COPYRIGHT = "/usr/share/doc/fonts-cardo/copyright"
FONT_FILE = "display.ttf"
FONT_LICENCE = "display-font-LICENSE.txt"

ICON_SIZES = [16, 20, 24, 32, 40, 48, 64, 96, 128, 256]

LINK_BUTTONS = [
    ("btn_facebook.png", "Facebook", "facebook"),
    ("btn_whatsapp.png", "WhatsApp", "whatsapp"),
    ("btn_discord.png", "Discord", "discord"),
    ("btn_site.png", "Site", "site"),
    ("btn_updates.png", "Novidades", "updates"),
    ("btn_settings.png", "Ajustes", "settings"),
]

# file -> (width, height, PIL mode, format)
EXPECTED = {
    "backdrop.jpg": (1456, 884, "RGB", "JPEG"),
    "logo.png": (387, 247, "RGBA", "PNG"),
    "play_wait.png": (341, 139, "RGBA", "PNG"),
    "play_ready.png": (341, 139, "RGBA", "PNG"),
    "play_retry.png": (341, 139, "RGBA", "PNG"),
    "settings_panel.png": (936, 558, "RGBA", "PNG"),
    "save.png": (229, 67, "RGBA", "PNG"),
    "cancel.png": (229, 77, "RGBA", "PNG"),
    "frame.png": (609, 293, "RGBA", "PNG"),
    "texture.png": (256, 256, "RGB", "PNG"),
}
EXPECTED.update({name: (185, 83, "RGBA", "PNG") for name, _, _ in LINK_BUTTONS})


# ---------------------------------------------------------------- output

def save_png(arr, name, mode="RGBA"):
    artkit.to_pil(arr, mode).save(os.path.join(RES, name), optimize=True)


def save_jpeg(arr, name):
    artkit.to_pil(arr, "RGB").save(os.path.join(RES, name), quality=88, optimize=True,
                                   subsampling="4:2:0")


def write_ico(images, path):
    """An icon file whose entries are PNG images (all sizes, as Windows Vista
    and later accept)."""
    blobs = []
    for im in images:
        buf = io.BytesIO()
        im.save(buf, "PNG", optimize=True)
        blobs.append((im.size[0], buf.getvalue()))
    head = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries, data = b"", b""
    for size, blob in blobs:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    with open(path, "wb") as f:
        f.write(head + entries + data)


def copy_font():
    if not os.path.exists(FONT_SOURCE):
        if os.path.exists(os.path.join(RES, FONT_FILE)):
            print("note: %s not installed; keeping the existing %s" % (FONT_PACKAGE, FONT_FILE))
            return
        sys.exit("install %s (apt-get install %s)" % (FONT_PACKAGE, FONT_PACKAGE))
    shutil.copyfile(FONT_SOURCE, os.path.join(RES, FONT_FILE))
    try:
        version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", FONT_PACKAGE],
                                 capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        version = "unknown"
    with open(FONT_COPYRIGHT, encoding="utf-8") as f:
        copyright_text = f.read()
    header = (
        "res/%s is Cardo Regular (file Cardo104s.ttf, font version 1.045) by David J. Perry,\n"
        "copied unmodified from the Debian package %s %s.\n"
        "It is licensed under the SIL Open Font License 1.1 with the Reserved Font Name \"Cardo\";\n"
        "the package's copyright file follows in full (the font is covered by its \"Files: *\"\n"
        "section; the GPL sections cover only Debian's packaging).\n\n"
        % (FONT_FILE, FONT_PACKAGE, version))
    with open(os.path.join(RES, FONT_LICENCE), "w", encoding="utf-8") as f:
        f.write(header + copyright_text)


def font_path():
    local = os.path.join(RES, FONT_FILE)
    return FONT_SOURCE if os.path.exists(FONT_SOURCE) else local


# ---------------------------------------------------------------- assets

def render_all(only, preview_dir):
    os.makedirs(RES, exist_ok=True)
    font = artkit.Font(font_path())
    want = (lambda n: True) if not only else (lambda n: any(o in n for o in only))
    made = {}

    if want("font"):
        copy_font()
    if want("texture") or want("frame") or want("settings_panel") or preview_dir:
        tex = ornaments.texture()
        fr = ornaments.frame()
        made["texture"], made["frame"] = tex, fr
        if want("texture"):
            save_png(tex, "texture.png", "RGB")
        if want("frame"):
            save_png(fr, "frame.png")
        if want("settings_panel"):
            save_png(ornaments.settings_panel(fr, tex), "settings_panel.png")
    if want("backdrop") or preview_dir:
        bd = scenery.backdrop()
        made["backdrop"] = bd
        if want("backdrop"):
            save_jpeg(bd, "backdrop.jpg")
    if want("logo") or preview_dir:
        lg = emblem.logo(font)
        made["logo"] = lg
        if want("logo"):
            save_png(lg, "logo.png")
    if want("icon"):
        imgs = [artkit.to_pil(emblem.icon_image(s, font)) for s in ICON_SIZES]
        write_ico(imgs, os.path.join(RES, "icon.ico"))
    if want("btn") or preview_dir:
        size = widgets.label_size_for(font, [label for _, label, _ in LINK_BUTTONS], 96, 17)
        for name, label, icon in LINK_BUTTONS:
            if want(name) or want("btn") or preview_dir:
                b = widgets.link_button(label, icon, font, size)
                made[name] = b
                if want(name) or want("btn"):
                    save_png(b, name)
    plaques = [
        ("play_wait.png", (341, 139, "AGUARDE", False, 34, None)),
        ("play_ready.png", (341, 139, "JOGAR", True, 36, None)),
        ("play_retry.png", (341, 139, "TENTAR DE NOVO", True, 30, None)),
        ("save.png", (229, 67, "SALVAR", True, 16, None)),
        # drawn by the launcher at the save plaque's aspect (158 x 46.2 units), so
        # it is composed at 229 x 67 and stretched to its 229 x 77 pixel size
        ("cancel.png", (229, 67, "CANCELAR", False, 16, 77)),
    ]
    for name, (w, h, label, golden, cap, out_h) in plaques:
        if want(name) or want("play") or preview_dir:
            p = widgets.plaque(w, h, label, golden, font, cap, out_h=out_h)
            made[name] = p
            if want(name) or want("play"):
                save_png(p, name)
    if preview_dir:
        import preview
        preview.main_window(made, font, os.path.join(preview_dir, "preview_main.png"))
        preview.settings_window(made, font, os.path.join(preview_dir, "preview_settings.png"))
        preview.sheet(made, os.path.join(preview_dir, "preview_sheet.png"))


# ---------------------------------------------------------------- checks

def check_outputs():
    problems = []
    for name, (w, h, mode, fmt) in sorted(EXPECTED.items()):
        path = os.path.join(RES, name)
        if not os.path.exists(path):
            problems.append("%s missing" % name)
            continue
        with Image.open(path) as im:
            if im.size != (w, h) or im.mode != mode or im.format != fmt:
                problems.append("%s is %s %s %s, want %dx%d %s %s"
                                % (name, im.format, im.size, im.mode, w, h, mode, fmt))
            if mode == "RGBA":
                a = np.asarray(im)[..., 3]
                if a.min() == 255 or a.max() == 0:
                    problems.append("%s has no useful alpha" % name)
    problems += check_frame()
    problems += check_texture()
    problems += check_icon()
    problems += check_font()
    if problems:
        for p in problems:
            print("FAIL:", p)
        sys.exit(1)
    total = sum(os.path.getsize(os.path.join(RES, f)) for f in os.listdir(RES))
    print("res/ checked: %d files, %.2f MB" % (len(os.listdir(RES)), total / 1e6))


def check_frame():
    """The stretched pieces must be uniform and the frame must mirror onto itself."""
    out = []
    a = np.asarray(Image.open(os.path.join(RES, "frame.png")), np.int16)
    top = a[0:35, 110:250]
    side = a[86:196, 0:25]
    if np.abs(top - top[:, :1]).max() > 1:
        out.append("frame top edge piece is not uniform along its length")
    if np.abs(side - side[:1]).max() > 1:
        out.append("frame left edge piece is not uniform along its length")
    if np.abs(a - a[:, ::-1]).max() > 1 or np.abs(a - a[::-1]).max() > 1:
        out.append("frame is not mirror-symmetric")
    # the corner meets the stretched edges without a step
    if np.abs(a[0:35, 109] - a[0:35, 110]).max() > 24 or np.abs(a[85, 0:25] - a[86, 0:25]).max() > 24:
        out.append("frame corner does not join its edges")
    if a[86:207, 26:583, 3].max() != 0 or a[36:257, 110:499, 3].max() != 0:
        out.append("frame interior is not transparent")
    return out


def check_texture():
    """The wrap-around step must look like any other step at the same place in
    the weave (thread boundaries fall on multiples of the cell size)."""
    t = np.asarray(Image.open(os.path.join(RES, "texture.png")), np.float32)
    cell = ornaments.TEXTURE_CELL
    out = []
    for axis in (0, 1):
        a = np.moveaxis(t, axis, 0)
        seam = np.abs(a[0] - a[-1]).mean()
        ref = np.mean([np.abs(a[k] - a[k - 1]).mean() for k in range(cell, a.shape[0], cell)])
        if seam > ref * 1.3:
            out.append("texture does not tile along axis %d (step %.1f, usual %.1f)" % (axis, seam, ref))
    return out


def check_icon():
    path = os.path.join(RES, "icon.ico")
    if not os.path.exists(path):
        return ["icon.ico missing"]
    data = open(path, "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    sizes = []
    for i in range(count):
        w, h, _, _, _, _, length, off = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        im = Image.open(io.BytesIO(data[off:off + length]))
        if im.format != "PNG" or im.size[0] != im.size[1] or (w or 256) != im.size[0]:
            return ["icon entry %d is %s %s" % (i, im.format, im.size)]
        sizes.append(im.size[0])
    if kind != 1 or sizes != ICON_SIZES:
        return ["icon.ico holds %s" % sizes]
    return []


def check_font():
    from fontTools.ttLib import TTFont
    path = os.path.join(RES, FONT_FILE)
    if not os.path.exists(path):
        return ["%s missing" % FONT_FILE]
    f = TTFont(path)
    out = []
    if "glyf" not in f or "CFF " in f:
        out.append("display font has no TrueType outlines")
    families = {r.toUnicode() for r in f["name"].names if r.nameID in (1, 16)}
    if len(families) != 1:
        out.append("display font names several families: %s" % sorted(families))
    cmap = f.getBestCmap()
    missing = [c for c in "çãõáéíóúâêôàÇÃÕÁÉÍÓÚÂÊÔÀ" if ord(c) not in cmap]
    if missing:
        out.append("display font lacks %s" % "".join(missing))
    if not os.path.exists(os.path.join(RES, FONT_LICENCE)):
        out.append("%s missing" % FONT_LICENCE)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--only", nargs="*", default=[], help="render only outputs whose name contains one of these")
    ap.add_argument("--preview", metavar="DIR", help="also write composed previews into DIR")
    ap.add_argument("--check", action="store_true", help="only check the existing outputs")
    args = ap.parse_args()
    if not args.check:
        render_all(args.only, args.preview)
    check_outputs()


if __name__ == "__main__":
    main()
