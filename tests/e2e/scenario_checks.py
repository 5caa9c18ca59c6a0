#!/usr/bin/python3
"""Checks for the end-to-end scenario; each prints its problems and exits 1 when there is one.

    scenario_checks.py snapshot DIR             every file below DIR: "path<TAB>sha256", sorted
    scenario_checks.py folder DIR EXPECTED      DIR holds exactly the files of EXPECTED (lines
                                                as from snapshot; "-" as hash: any content)
    scenario_checks.py requests LOG FROM WANT [SHARED]
                                                the request-log lines after line FROM, as
                                                "METHOD URI STATUS", equal WANT as a multiset;
                                                URIs matching the regex SHARED (resources
                                                other programs may fetch too) need only be
                                                there at least as often as wanted
    scenario_checks.py ini FILE WANT            the INI file's sections and keys are exactly
                                                WANT ("Section.Key=Value" lines)
    scenario_checks.py thumbnail SHOT OX OY SCALE CARD PICTURE
                                                the card's picture area looks like PICTURE
    scenario_checks.py bars SHOT OX OY SCALE    both progress bars are filled
"""

import collections
import hashlib
import os
import re
import sys


def snapshot(root):
    rows = []
    for here, _, files in os.walk(root):
        for name in files:
            full = os.path.join(here, name)
            with open(full, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            rows.append((os.path.relpath(full, root), digest))
    return sorted(rows)


def read_rows(path):
    rows = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line:
                name, digest = line.split("\t")
                rows[name] = digest
    return rows


def folder(root, expected_path):
    want = read_rows(expected_path)
    have = dict(snapshot(root))
    bad = []
    for name in sorted(set(want) - set(have)):
        bad.append("missing " + name)
    for name in sorted(set(have) - set(want)):
        bad.append("unexpected " + name)
    for name in sorted(set(want) & set(have)):
        if want[name] != "-" and want[name] != have[name]:
            bad.append("different bytes in " + name)
    return bad


def requests(log, start, want_path, shared=None):
    with open(log, encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()[int(start):]
    have = collections.Counter(" ".join(l.split()[:3]) for l in lines if l.strip())
    with open(want_path, encoding="utf-8") as f:
        want = collections.Counter(l.strip() for l in f if l.strip())
    bad = []
    for req, n in sorted((want - have).items()):
        bad.append("missing request %s (x%d)" % (req, n))
    for req, n in sorted((have - want).items()):
        if not (shared and re.search(shared, req.split()[1])):
            bad.append("unexpected request %s (x%d)" % (req, n))
    return bad


def ini(path, want_path):
    have = set()
    section = None
    with open(path, "rb") as f:
        for raw in f.read().decode("latin-1").splitlines():
            line = raw.strip()
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
            elif "=" in line:
                key, value = line.split("=", 1)
                have.add("%s.%s=%s" % (section, key, value))
    with open(want_path, encoding="utf-8") as f:
        want = {l.strip() for l in f if l.strip()}
    return ["missing " + k for k in sorted(want - have)] + \
           ["unexpected " + k for k in sorted(have - want)]


def _image_tools():
    from PIL import Image, ImageStat
    return Image, ImageStat


def thumbnail(shot, ox, oy, scale, card, picture):
    Image, ImageStat = _image_tools()
    ox, oy, scale, card = int(ox), int(oy), float(scale), int(card)
    top = 276 + 114 * card + 8
    box = [int(v * scale + 0.5) for v in (202 + 6, top + 6, 202 + 128 - 6, top + 88 - 6)]
    shown = Image.open(shot).convert("RGB").crop(
        (ox + box[0], oy + box[1], ox + box[2], oy + box[3]))
    source = Image.open(picture).convert("RGB")
    a = ImageStat.Stat(shown).mean
    b = ImageStat.Stat(source).mean
    spread = ImageStat.Stat(shown).stddev
    bad = []
    if max(abs(x - y) for x, y in zip(a, b)) > 30:
        bad.append("card %d picture colour %s, picture's own %s" %
                   (card, [round(x) for x in a], [round(x) for x in b]))
    if max(spread) < 8:
        bad.append("card %d picture area is flat %s" % (card, [round(x) for x in spread]))
    return bad


def bars(shot, ox, oy, scale):
    Image, _ = _image_tools()
    ox, oy, scale = int(ox), int(oy), float(scale)
    im = Image.open(shot).convert("RGB")
    bad = []
    for y in (541, 567):  # lower half of both bars, near their right ends
        c = im.getpixel((ox + int(690 * scale), oy + int(y * scale)))
        if not (c[0] > 120 and c[0] > c[2] + 50 and c[1] > c[2] + 20):
            bad.append("bar at y %d not filled: %s" % (y, c))
    return bad


def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "snapshot":
        for name, digest in snapshot(args[0]):
            print("%s\t%s" % (name, digest))
        return 0
    bad = {"folder": folder, "requests": requests, "ini": ini, "thumbnail": thumbnail,
           "bars": bars}[cmd](*args)
    for line in bad:
        print("     " + line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
