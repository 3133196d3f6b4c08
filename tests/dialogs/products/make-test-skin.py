#!/usr/bin/python3
"""Draws the images of the dialog test product into <out folder>/<id>.png.

Flat colours, one per image and state cell, so a test can tell from a captured frame
which picture (and which cell) a control shows. Needs python3-pil."""
import os, sys

from PIL import Image, ImageDraw


def strip(path, cell_w, cell_h, colours, mark=None):
    img = Image.new("RGBA", (cell_w * len(colours), cell_h), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for i, c in enumerate(colours):
        d.rectangle([i * cell_w, 0, (i + 1) * cell_w - 1, cell_h - 1], fill=c)
        if mark:
            mark(d, i * cell_w, cell_w, cell_h, i)
    img.save(path)


def background(path, colour, title):
    img = Image.new("RGBA", (600, 430), colour)
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, 599, 78], fill=(40, 60, 110, 255))
    d.text((20, 30), title, fill=(255, 255, 255, 255))
    img.save(path)


def check(d, x, w, h, i):
    if i >= 3:  # checked cells carry a tick
        d.line([x + 3, h // 2, x + w // 2 - 1, h - 4, x + w - 3, 3], fill=(255, 255, 255, 255), width=2)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    p = lambda n: os.path.join(out, "%d.png" % n)
    background(p(301), (230, 236, 245, 255), "ORB dialog test: init")
    background(p(307), (225, 245, 230, 255), "ORB dialog test: install")
    background(p(310), (245, 235, 225, 255), "ORB dialog test: complete")
    # Buttons: normal, hover, pressed, disabled.
    states = [(60, 120, 200, 255), (80, 150, 230, 255), (30, 80, 160, 255), (160, 160, 160, 255)]
    strip(p(302), 20, 20, [(200, 60, 60, 255), (230, 80, 80, 255), (150, 40, 40, 255), (160, 160, 160, 255)])
    strip(p(305), 37, 32, states)
    strip(p(308), 170, 45, states)
    # Check box: unchecked normal, disabled, hover; checked normal, disabled, hover.
    strip(p(303), 16, 16, [(90, 90, 90, 255), (170, 170, 170, 255), (120, 120, 120, 255),
                           (0, 140, 70, 255), (120, 170, 140, 255), (0, 180, 90, 255)], check)
    # Text box background: normal, hot, disabled.
    strip(p(304), 380, 32, [(255, 255, 255, 255), (250, 250, 220, 255), (210, 210, 210, 255)])
    # Slideshows: two frames each.
    strip(p(309), 280, 150, [(250, 200, 80, 255), (80, 200, 250, 255)])
    strip(p(313), 560, 280, [(200, 120, 220, 255), (120, 220, 160, 255)])
    # Progress bar: back and front.
    strip(p(311), 560, 15, [(200, 200, 200, 255)])
    strip(p(312), 560, 15, [(0, 170, 80, 255)])


main()
