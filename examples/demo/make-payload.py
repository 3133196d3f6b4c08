#!/usr/bin/python3
"""Assembles the ORB Demo payload folder: the program, its readme and licence, and a
set of sample files (help pages, word lists, wallpapers) that give the progress bar
and the slideshow something to show. Everything is made here at build time; the
samples are deterministic, so two builds pack the same archive.

usage: make-payload.py <out folder> <orbdemo.exe> <folder with readme.txt, licence.txt>"""
import os, random, shutil, sys

from PIL import Image, ImageDraw

WORDS = ("orb desk tidy folder window shortcut icon setup payload archive script layout skin "
         "button label progress slide registry service install remove clean quick light dark "
         "blue green amber violet north south river stone cloud paper glass metal").split()


def write_text(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(text)


def help_pages(out, rnd):
    for i in range(1, 13):
        paras = []
        for _ in range(40):
            words = [rnd.choice(WORDS) for _ in range(rnd.randint(30, 70))]
            paras.append("<p>" + " ".join(words).capitalize() + ".</p>")
        write_text(os.path.join(out, "help", "topic%02d.html" % i),
                   "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>ORB Demo help, topic %d"
                   "</title></head>\n<body>\n<h1>Topic %d</h1>\n%s\n</body></html>\n" % (i, i, "\n".join(paras)))


def word_lists(out, rnd):
    for i in range(1, 21):
        lines = ["%06d %s" % (rnd.randint(0, 999999), " ".join(rnd.choice(WORDS) for _ in range(8)))
                 for _ in range(1200)]
        write_text(os.path.join(out, "data", "words%02d.txt" % i), "\n".join(lines) + "\n")


def wallpapers(out, rnd):
    os.makedirs(os.path.join(out, "gallery"), exist_ok=True)
    for i in range(1, 9):
        w, h = 960, 600
        img = Image.new("RGB", (w, h))
        a = [rnd.randint(20, 120) for _ in range(3)]
        b = [rnd.randint(120, 250) for _ in range(3)]
        d = ImageDraw.Draw(img)
        for y in range(h):
            t = y / (h - 1)
            d.line((0, y, w, y), fill=tuple(int(a[k] + (b[k] - a[k]) * t) for k in range(3)))
        for _ in range(14):
            x, y, r = rnd.randint(0, w), rnd.randint(0, h), rnd.randint(20, 160)
            c = tuple(rnd.randint(60, 255) for _ in range(3))
            d.ellipse((x - r, y - r, x + r, y + r), outline=c, width=rnd.randint(2, 9))
        # A little grain so the pictures weigh what real photos weigh, relatively.
        px = img.load()
        for _ in range(30000):
            x, y = rnd.randrange(w), rnd.randrange(h)
            p = px[x, y]
            px[x, y] = (min(255, p[0] + 18), min(255, p[1] + 18), min(255, p[2] + 18))
        img.save(os.path.join(out, "gallery", "wallpaper%02d.png" % i), optimize=True)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    out, exe, files = sys.argv[1:]
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    shutil.copy2(exe, os.path.join(out, "orbdemo.exe"))
    for name in ("readme.txt", "licence.txt"):
        shutil.copy2(os.path.join(files, name), os.path.join(out, name))
    rnd = random.Random(20261208)
    help_pages(out, rnd)
    word_lists(out, rnd)
    wallpapers(out, rnd)


if __name__ == "__main__":
    main()
