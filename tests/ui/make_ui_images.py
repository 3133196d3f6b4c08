#!/usr/bin/env python3
"""Writes the synthetic skin images of the UI tests into the folder given as argument.

Every state cell or frame is one solid colour, so a wrong cell or offset shows as a
wrong colour in the drawn pixels."""
import os
import struct
import sys
import zlib


class Image:
    """Just enough of an image to write 8-bit RGB or RGBA PNG files."""

    def __init__(self, mode, size, colour=(0, 0, 0, 0)):
        self.mode, (self.w, self.h) = mode, size
        self.n = 4 if mode == "RGBA" else 3
        self.px = [list(colour[:self.n]) * self.w for _ in range(self.h)]

    def putpixel(self, xy, colour):
        x, y = xy
        self.px[y][x * self.n:(x + 1) * self.n] = list(colour[:self.n])

    def save(self, path):
        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        raw = b"".join(b"\0" + bytes(row) for row in self.px)
        colour_type = 6 if self.n == 4 else 2
        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, colour_type, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


def strip(path, cell_w, cell_h, colours, transparent_row=False, mode="RGBA"):
    img = Image(mode, (cell_w * len(colours), cell_h))
    for i, c in enumerate(colours):
        for x in range(i * cell_w, (i + 1) * cell_w):
            for y in range(cell_h):
                img.putpixel((x, y), c)
        if transparent_row:
            # The last line of every cell is fully transparent.
            for x in range(i * cell_w, (i + 1) * cell_w):
                img.putpixel((x, cell_h - 1), (0, 0, 0, 0))
    img.save(path)


def solid(path, w, h, colour, mode="RGB"):
    Image(mode, (w, h), colour).save(path)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    p = lambda n: os.path.join(out, n)
    # Button 80 x 20: Normal, Hover, Pressed, Disabled.
    strip(p("button.png"), 20, 20, [(255, 0, 0, 255), (0, 255, 0, 255), (0, 0, 255, 255),
                                    (255, 255, 0, 255)], transparent_row=True)
    # Its larger version 160 x 40: the same states in darker colours, the right half of
    # each cell darker still, two clear rows.
    img = Image("RGBA", (160, 40))
    for i, c in enumerate([(128, 0, 0, 255), (0, 128, 0, 255), (0, 0, 128, 255), (128, 128, 0, 255)]):
        for x in range(i * 40, (i + 1) * 40):
            for y in range(38):
                img.putpixel((x, y), c if x < i * 40 + 20 else tuple(v * 3 // 4 for v in c[:3]) + (255,))
    img.save(p("button@2x.png"))
    # Check box 96 x 16: the six states.
    strip(p("check.png"), 16, 16, [(200, 0, 0, 255), (0, 200, 0, 255), (0, 0, 200, 255),
                                   (200, 200, 0, 255), (0, 200, 200, 255), (200, 0, 200, 255)])
    # Slideshow 1200 x 430 without alpha: frame 0 red, frame 1 blue.
    strip(p("slides.png"), 600, 430, [(255, 0, 0, 255), (0, 0, 255, 255)], mode="RGB")
    # Progress back and front bars 560 x 15; the front has distinct 10 px caps.
    solid(p("progback.png"), 560, 15, (40, 40, 40))
    img = Image("RGB", (560, 15), (0, 160, 0))
    for x in range(10):
        for y in range(15):
            img.putpixel((x, y), (160, 0, 0))
            img.putpixel((559 - x, y), (0, 0, 160))
    img.save(p("progfront.png"))
    # Full-window background without alpha, and one with a transparent left half.
    solid(p("background.png"), 600, 430, (90, 100, 110))
    img = Image("RGBA", (100, 50), (10, 20, 30, 255))
    for x in range(50):
        for y in range(50):
            img.putpixel((x, y), (0, 0, 0, 0))
    img.save(p("halfalpha.png"))
    # Container backgrounds for stacking tests.
    solid(p("panel_a.png"), 100, 50, (255, 0, 0))
    solid(p("panel_b.png"), 100, 50, (0, 255, 0))
    solid(p("panel_c.png"), 100, 50, (0, 0, 255))
    # A small picture, scaled up by the picture control.
    solid(p("picture.png"), 10, 10, (0, 128, 255))
    # Slideshow 128 x 8 of two 64 px frames whose columns step through colours and partial
    # alphas (0 .. 255), to compare cross-fade paths pixel by pixel.
    img = Image("RGBA", (128, 8))
    for x in range(128):
        f, i = divmod(x, 64)
        a = min(255, i * 4 + (3 if f else 0)) if i % 9 else (0 if f else 255)
        c = ((i * 37) % 256, (i * 91 + f * 60) % 256, (255 - i * 4 - f * 7) % 256, a)
        for y in range(8):
            img.putpixel((x, y), c)
    img.save(p("fadestrip.png"))
    # Its larger version, every pixel doubled: at 200 % the fade must give the same pixels.
    big = Image("RGBA", (256, 16))
    big.px = [sum(([row[i:i + 4] * 2 for i in range(0, len(row), 4)]), []) for row in img.px for _ in (0, 1)]
    big.save(p("fadestrip@2x.png"))
    # Bytes that are no image at all.
    with open(p("broken.png"), "wb") as f:
        f.write(b"this is not an image\n" * 8)


if __name__ == "__main__":
    main()
