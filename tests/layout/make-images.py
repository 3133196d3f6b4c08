#!/usr/bin/env python3
"""Writes the test skin images (PNG <id>.png) and the golden frame expected for the
GoldenDlg of tests/layout/products/golden/LAYOUT.XML, composed here independently of the
program's drawing code (straight-alpha "over", which is what the frame holds after the
preview un-premultiplies it).

usage: make-images.py <out folder>"""
import os, sys
from PIL import Image

def cells(colors, w, h, border=0, ring=None):
    """A strip of w x h cells; optional transparent border and a half-transparent ring."""
    img = Image.new("RGBA", (w * len(colors), h), (0, 0, 0, 0))
    for i, c in enumerate(colors):
        for y in range(h):
            for x in range(w):
                edge = min(x, y, w - 1 - x, h - 1 - y)
                if edge < border:
                    continue
                a = 255
                if ring is not None and edge == border:
                    a = ring
                img.putpixel((i * w + x, y), c + (a,))
    return img

def images():
    out = {}
    bg = Image.new("RGB", (200, 150))
    for y in range(150):
        for x in range(200):
            bg.putpixel((x, y), (x % 256, (y * 3) % 256, 100))
    out[401] = bg  # no alpha channel, like the shipped backgrounds
    out[402] = cells([(200, 0, 0), (0, 200, 0), (0, 0, 200), (90, 90, 90)], 20, 20, border=2, ring=128)
    out[403] = cells([(10, 10, 10), (40, 40, 40), (70, 70, 70), (250, 120, 0), (120, 60, 0), (250, 200, 0)],
                     16, 16, border=1)
    out[404] = cells([(250, 250, 250), (220, 230, 255), (190, 190, 190)], 120, 30)
    out[405] = cells([(50, 50, 50)], 100, 10)
    front = Image.new("RGBA", (100, 10), (0, 180, 255, 255))
    for y in range(10):
        for x in range(3):
            front.putpixel((x, y), (255, 0, 0, 255))
            front.putpixel((97 + x, y), (0, 255, 0, 255))
    out[406] = front
    out[407] = Image.new("RGBA", (40, 30), (255, 200, 0, 255))
    show = Image.new("RGBA", (120, 40), (0, 120, 0, 255))
    for y in range(40):
        for x in range(60, 120):
            show.putpixel((x, y), (120, 0, 120, 255))
    for y in range(5, 15):
        for x in range(5, 15):
            show.putpixel((x, y), (255, 255, 255, 255))
    out[408] = show
    return out

def golden(img):
    """GoldenDlg as the layout describes it, drawn in the object model's order."""
    canvas = Image.new("RGBA", (200, 150), (0, 0, 0, 0))

    def put(image, sx, sy, sw, sh, x, y):
        part = image.convert("RGBA").crop((sx, sy, sx + sw, sy + sh))
        layer = Image.new("RGBA", canvas.size, (0, 0, 0, 0))
        layer.paste(part, (x, y))
        canvas.alpha_composite(layer)

    put(img[401], 0, 0, 200, 150, 0, 0)          # Dlg background
    put(img[402], 0, 0, 20, 20, 170, 5)          # Header/CloseBtn, normal cell
    put(img[403], 3 * 16, 0, 16, 16, 10, 40)     # Body/Chk, checked cell over its rect
    put(img[405], 0, 0, 100, 10, 10, 120)        # Body/Prog back at 0 %
    put(img[406], 0, 0, 3, 10, 10, 120)          #   left cap
    put(img[406], 97, 0, 3, 10, 12, 120)         #   right cap at left + spl - 1
    put(img[407], 0, 0, 40, 30, 140, 40)         # Body/Pic, unscaled size
    put(img[408], 0, 0, 60, 40, 40, 40)          # Body/Show, frame 0 at full alpha
    put(img[402], 3 * 20, 0, 20, 20, 120, 100)   # Body/Off, disabled cell
    put(img[404], 0, 0, 120, 30, 10, 60)         # Body/Path, empty text box, normal cell
    return canvas

def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    img = images()
    for k, v in img.items():
        v.save(os.path.join(out, "%d.png" % k))
    golden(img).save(os.path.join(out, "golden-GoldenDlg.png"))

if __name__ == "__main__":
    main()
