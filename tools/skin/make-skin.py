#!/usr/bin/python3
"""Draws the skin images of a setup: PNG resources 301 to 342 at the sizes and cell
counts that the layout's controls expect.

usage: make-skin.py <out folder> [--product NAME] [--tagline TEXT] [--accent R,G,B] [--large]

Shapes are drawn at four times the size and scaled down, so edges are anti-aliased.
Button strips hold four cells (normal, hover, pressed, disabled); the check box strip
six (unchecked normal, disabled, hover; checked normal, disabled, hover); the text box
strip two (normal, hot); the slideshow strip one frame per slide.
No words are drawn but the product name (and a tagline when one is given): captions and
messages are the layout's texts, so one image set serves every language.
Needs Debian's python3-pil and the DejaVu fonts (fonts-dejavu-core)."""
import argparse, colorsys, math, os, sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

S = 4  # supersampling factor
O = 1  # output pixels per layout pixel: 2 for the larger (@2x) set
FONT_DIR = "/usr/share/fonts/truetype/dejavu"


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    try:
        return ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    except OSError:
        sys.exit("make-skin: %s not found (install fonts-dejavu-core)" % name)


def rgb(c, a=255):
    return (c[0], c[1], c[2], a)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


def grey(c):
    v = int(0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2])
    return (v, v, v)


def canvas(w, h, fill=(0, 0, 0, 0)):
    return Image.new("RGBA", (w * S, h * S), fill)


def down(img):
    return img.resize((img.width * O // S, img.height * O // S), Image.LANCZOS)


def gradient(w, h, top, bottom, horizontal=False):
    """An RGBA gradient image of w x h pixels (already at the working scale)."""
    n = w if horizontal else h
    line = Image.new("RGBA", (n, 1) if horizontal else (1, n))
    for i in range(n):
        t = i / max(1, n - 1)
        line.putpixel((i, 0) if horizontal else (0, i), rgb(mix(top, bottom, t)))
    return line.resize((w, h))


def rounded_mask(w, h, box, r):
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).rounded_rectangle(box, r, fill=255)
    return m


def paste_gradient(img, box, r, top, bottom, horizontal=False):
    x0, y0, x1, y1 = [int(v) for v in box]
    g = gradient(x1 - x0, y1 - y0, top, bottom, horizontal)
    m = rounded_mask(x1 - x0, y1 - y0, (0, 0, x1 - x0 - 1, y1 - y0 - 1), r)
    img.paste(g, (x0, y0), m)


def text_center(d, box, text, fnt, fill):
    x0, y0, x1, y1 = box
    l, t, r, b = d.textbbox((0, 0), text, font=fnt)
    d.text((x0 + (x1 - x0 - (r - l)) / 2 - l, y0 + (y1 - y0 - (b - t)) / 2 - t), text, font=fnt, fill=fill)


def soft_circles(img, box, color, seed):
    """Decorative translucent circles inside box (working scale)."""
    x0, y0, x1, y1 = box
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    k = seed
    for i in range(7):
        k = (k * 1103515245 + 12345) & 0x7FFFFFFF
        cx = x0 + (k % 1000) / 1000 * (x1 - x0)
        k = (k * 1103515245 + 12345) & 0x7FFFFFFF
        cy = y0 + (k % 1000) / 1000 * (y1 - y0)
        rad = (30 + (k >> 8) % 90) * S
        d.ellipse((cx - rad, cy - rad, cx + rad, cy + rad), fill=rgb(color, 22 + i * 3))
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).rectangle(box, fill=255)
    img.paste(Image.alpha_composite(img, layer), (0, 0), mask)


class Skin:
    def __init__(self, product, tagline, accent):
        self.product = product
        self.tagline = tagline
        self.accent = accent
        h, l, s = colorsys.rgb_to_hls(*[c / 255 for c in accent])
        second = colorsys.hls_to_rgb((h + 0.09) % 1, l * 0.9, s)
        self.accent2 = tuple(int(c * 255) for c in second)
        self.ink = (51, 51, 51)
        self.muted = (136, 136, 136)
        self.line = (214, 219, 226)
        self.paper = (255, 255, 255)

    # Backgrounds ------------------------------------------------------------------

    def hero(self, img, y1, title_y, seed, title=None, subtitle=None):
        w = img.width
        paste_gradient(img, (0, 0, w, y1 * S), 0, self.accent, self.accent2, horizontal=True)
        soft_circles(img, (0, 0, w, y1 * S), (255, 255, 255), seed)
        d = ImageDraw.Draw(img)
        text_center(d, (0, title_y * S, w, (title_y + 60) * S), title or self.product, font(44 * S, True),
                    rgb(self.paper))
        if subtitle or self.tagline:
            text_center(d, (0, (title_y + 62) * S, w, (title_y + 92) * S), subtitle or self.tagline,
                        font(16 * S), rgb(self.paper, 220))

    def logo(self, d, x, y, size):
        """The product mark: a ring with a dot, drawn in white."""
        r = size * S / 2
        cx, cy = x * S + r, y * S + r
        d.ellipse((cx - r, cy - r, cx + r, cy + r), outline=rgb(self.paper), width=int(size * S / 8))
        q = r / 2.6
        d.ellipse((cx - q, cy - q, cx + q, cy + q), fill=rgb(self.paper))

    def init_background(self):  # 301, no alpha
        img = canvas(600, 430, rgb(self.paper))
        self.hero(img, 210, 82, 7)
        d = ImageDraw.Draw(img)
        self.logo(d, 22, 20, 26)
        d.text((58 * S, 22 * S), self.product, font=font(15 * S, True), fill=rgb(self.paper))
        # Soft wave between the hero and the body.
        wave = [(x * S, (205 + 8 * math.sin(x / 95)) * S) for x in range(0, 601, 4)]
        d.polygon(wave + [(600 * S, 215 * S), (0, 215 * S)], fill=rgb(self.paper))
        d.rectangle((0, 212 * S, 600 * S, 430 * S), fill=rgb(self.paper))
        # Separator above the options, and a folder mark before the path box.
        d.line((40 * S, 338 * S, 560 * S, 338 * S), fill=rgb(self.line), width=S)
        self.folder_icon(d, 128, 360, self.muted)
        d.rectangle((0, 0, 600 * S - 1, 430 * S - 1), outline=rgb(darker(self.accent, 0.2)), width=S)
        return down(img).convert("RGB")

    def folder_icon(self, d, x, y, color, scale=1.0):
        s = S * scale
        d.rounded_rectangle((x * S, (y + 2) * S, x * S + 9 * s, (y + 6) * S), 2 * S, fill=rgb(color))
        d.rounded_rectangle((x * S, (y + 4) * S, x * S + 20 * s, y * S + 18 * s), 2 * S, fill=rgb(color))

    def install_background(self):  # 307, no alpha
        img = canvas(600, 430, rgb(self.paper))
        paste_gradient(img, (0, 0, 600 * S, 50 * S), 0, self.accent, self.accent2, horizontal=True)
        d = ImageDraw.Draw(img)
        self.logo(d, 18, 12, 26)
        d.text((54 * S, 15 * S), self.product, font=font(15 * S, True), fill=rgb(self.paper))
        return down(img).convert("RGB")

    def complete_background(self):  # 310, with alpha: rounded window with a shadow
        img = canvas(600, 430)
        shadow = Image.new("L", img.size, 0)
        ImageDraw.Draw(shadow).rounded_rectangle((6 * S, 8 * S, 594 * S, 426 * S), 14 * S, fill=90)
        shadow = shadow.filter(ImageFilter.GaussianBlur(4 * S))
        img.paste(Image.new("RGBA", img.size, (0, 0, 0, 255)), (0, 0), shadow)
        card = canvas(600, 430)
        paste_gradient(card, (4 * S, 4 * S, 596 * S, 424 * S), 12 * S, self.paper, (246, 248, 251))
        hero = canvas(600, 430)
        self.hero(hero, 250, 150, 3)
        mask = rounded_mask(600 * S, 430 * S, (4 * S, 4 * S, 596 * S, 424 * S), 12 * S)
        cut = Image.new("L", img.size, 0)
        ImageDraw.Draw(cut).rectangle((0, 0, 600 * S, 250 * S), fill=255)
        card.paste(hero, (0, 0), Image.composite(mask, Image.new("L", img.size, 0), cut))
        # A large check mark in a ring above the title (a layer, so the ring's tint blends).
        ring = canvas(600, 430)
        d = ImageDraw.Draw(ring)
        cx, cy, r = 300 * S, 95 * S, 42 * S
        d.ellipse((cx - r, cy - r, cx + r, cy + r), fill=rgb(self.paper, 50), outline=rgb(self.paper),
                  width=3 * S)
        card = Image.alpha_composite(card, ring)
        d = ImageDraw.Draw(card)
        d.line([(cx - 18 * S, cy + 1 * S), (cx - 5 * S, cy + 14 * S), (cx + 20 * S, cy - 13 * S)],
               fill=rgb(self.paper), width=7 * S, joint="curve")
        img.paste(card, (0, 0), mask)
        return down(img)

    def update_background(self):  # 316, no alpha
        img = canvas(600, 430, rgb(self.paper))
        self.hero(img, 300, 110, 11)
        return down(img).convert("RGB")

    def tip_background(self):  # 340, 320 x 220, no alpha
        img = canvas(320, 220, rgb(self.paper))
        paste_gradient(img, (0, 0, 320 * S, 40 * S), 0, self.accent, self.accent2, horizontal=True)
        d = ImageDraw.Draw(img)
        d.text((14 * S, 11 * S), self.product, font=font(13 * S, True), fill=rgb(self.paper))
        d.rectangle((0, 0, 320 * S - 1, 220 * S - 1), outline=rgb(self.line), width=S)
        return down(img).convert("RGB")

    def slides(self):  # 309: two 600 x 430 frames, no alpha
        count = 2
        strip = Image.new("RGB", (600 * count * O, 430 * O), self.paper)
        for i in range(count):
            img = canvas(600, 430, rgb(self.paper))
            top = self.accent if i == 0 else self.accent2
            bottom = lighter(self.accent2 if i == 0 else self.accent, 0.25)
            paste_gradient(img, (20 * S, 66 * S, 560 * S, 336 * S), 16 * S, top, bottom)
            soft_circles(img, (20 * S, 66 * S, 560 * S, 336 * S), (255, 255, 255), 17 + i * 5)
            d = ImageDraw.Draw(img)
            self.logo(d, 250 + 40 * i, 150 - 20 * i, 100)  # the mark instead of words
            for k in range(count):  # page dots
                cx = (290 + 20 * k) * S
                d.ellipse((cx - 4 * S, 305 * S, cx + 4 * S, 313 * S),
                          fill=rgb(self.paper, 255 if k == i else 110))
            strip.paste(down(img).convert("RGB"), (600 * i * O, 0))
        return strip

    # Controls ---------------------------------------------------------------------

    def strip(self, cw, ch, cells, draw_cell):
        img = canvas(cw * len(cells), ch)
        for i, state in enumerate(cells):
            cell = canvas(cw, ch)
            draw_cell(cell, ImageDraw.Draw(cell), state)
            img.paste(cell, (i * cw * S, 0))
        return down(img)

    def pill_button(self, w, h, label=None, primary=True):  # 308, 315, 341, 342
        def cell(img, d, state):
            base = self.accent if primary else (240, 242, 245)
            top, bottom = lighter(base, 0.12), base
            fg = self.paper if primary else self.ink
            dy = 0
            if state == "hover":
                top, bottom = lighter(base, 0.25), lighter(base, 0.08)
            elif state == "pressed":
                top, bottom = darker(base, 0.12), darker(base, 0.05)
                dy = 1
            elif state == "disabled":
                top, bottom, fg = (214, 218, 224), (204, 208, 214), (250, 250, 250)
            if state != "pressed" and state != "disabled":  # soft drop shadow
                sh = Image.new("L", img.size, 0)
                ImageDraw.Draw(sh).rounded_rectangle((3 * S, 5 * S, (w - 3) * S, (h - 1) * S), (h - 8) * S / 2,
                                                      fill=70 if primary else 40)
                sh = sh.filter(ImageFilter.GaussianBlur(2 * S))
                img.paste(Image.new("RGBA", img.size, rgb(darker(base, 0.4))), (0, 0), sh)
            box = (2 * S, (2 + dy) * S, (w - 2) * S, (h - 4 + dy) * S)
            paste_gradient(img, box, (h - 6) * S / 2, top, bottom)
            if not primary:
                d.rounded_rectangle(box, (h - 6) * S / 2, outline=rgb(self.line), width=S)
            if label:
                text_center(d, (box[0], box[1], box[2], box[3]), label, font(int(h * 0.36) * S, True), rgb(fg))
        return self.strip(w, h, ["normal", "hover", "pressed", "disabled"], cell)

    def close_button(self, light=True):  # 302: 20 x 20 cells
        def cell(img, d, state):
            fg = self.paper if light else self.muted
            if state == "hover":
                d.ellipse((0, 0, 20 * S - 1, 20 * S - 1), fill=rgb(self.paper, 70))
            elif state == "pressed":
                d.ellipse((0, 0, 20 * S - 1, 20 * S - 1), fill=rgb((0, 0, 0), 60))
            elif state == "disabled":
                fg = lighter(self.accent, 0.45)
            a, b = 6.5 * S, 13.5 * S
            d.line((a, a, b, b), fill=rgb(fg), width=int(1.8 * S))
            d.line((a, b, b, a), fill=rgb(fg), width=int(1.8 * S))
        return self.strip(20, 20, ["normal", "hover", "pressed", "disabled"], cell)

    def browse_button(self):  # 305: 37 x 32 cells, joined to the right end of the path box
        def cell(img, d, state):
            bg, fg = (244, 246, 249), self.muted
            if state == "hover":
                bg, fg = lighter(self.accent, 0.88), self.accent
            elif state == "pressed":
                bg, fg = lighter(self.accent, 0.75), darker(self.accent, 0.15)
            elif state == "disabled":
                bg, fg = (240, 240, 240), (200, 200, 200)
            box = (-8 * S, 0, 37 * S - 1, 32 * S - 1)
            d.rounded_rectangle(box, 6 * S, fill=rgb(bg), outline=rgb(self.line), width=S)
            for k in range(3):  # ellipsis
                cx = (12 + 6 * k) * S
                d.ellipse((cx - 1.6 * S, 16 * S - 1.6 * S, cx + 1.6 * S, 16 * S + 1.6 * S), fill=rgb(fg))
        return self.strip(37, 32, ["normal", "hover", "pressed", "disabled"], cell)

    def text_box(self):  # 304: 532 x 32, two cells for a 265 px wide box
        w, h, cw = 532, 32, 265
        img = canvas(w, h)
        for i, hot in enumerate([False, True]):
            d = ImageDraw.Draw(img)
            x0 = i * cw * S
            box = (x0, 0, x0 + (cw + 8) * S, h * S - 1)
            edge = self.accent if hot else self.line
            d.rounded_rectangle(box, 6 * S, fill=rgb(self.paper), outline=rgb(edge), width=S)
        d.rectangle((2 * cw * S, 0, w * S, h * S), fill=(0, 0, 0, 0))
        out = down(img)
        out.paste(out.crop(((2 * cw - 2) * O, 0, 2 * cw * O, h * O)), (2 * cw * O, 0))
        return out

    def check_box(self):  # 303: six 16 x 16 cells
        def cell(img, d, state):
            checked, look = state
            box = (1 * S, 1 * S, 15 * S - 1, 15 * S - 1)
            if checked:
                fill = {"normal": self.accent, "hover": lighter(self.accent, 0.2),
                        "disabled": (200, 204, 210)}[look]
                d.rounded_rectangle(box, 3 * S, fill=rgb(fill))
                d.line([(4.2 * S, 8.2 * S), (6.8 * S, 10.8 * S), (11.8 * S, 5.2 * S)], fill=rgb(self.paper),
                       width=int(1.9 * S), joint="curve")
            else:
                edge = {"normal": (176, 182, 190), "hover": self.accent, "disabled": (214, 216, 220)}[look]
                fill = (245, 245, 245) if look == "disabled" else self.paper
                d.rounded_rectangle(box, 3 * S, fill=rgb(fill), outline=rgb(edge), width=int(1.2 * S))
        order = [(False, "normal"), (False, "disabled"), (False, "hover"),
                 (True, "normal"), (True, "disabled"), (True, "hover")]
        return self.strip(16, 16, order, cell)

    def progress_back(self):  # 311: the track sits 2 px below the top, where the bar is drawn
        img = canvas(560, 15)
        d = ImageDraw.Draw(img)
        d.rounded_rectangle((0, 2 * S, 560 * S - 1, 13 * S - 1), 5.5 * S, fill=rgb((228, 232, 238)))
        return down(img)

    def progress_front(self):  # 312: stretched horizontally, so only a vertical gradient
        img = Image.new("RGBA", (560 * O, 15 * O), (0, 0, 0, 0))
        bar = gradient(560 * O, 11 * O, lighter(self.accent, 0.2), darker(self.accent, 0.05))
        img.paste(bar, (0, 0))
        return img

    def write_all(self, out, large=False):
        """Writes <id>.png, and with large also <id>@2x.png: the same drawing at twice the
        pixels, which the setup draws from 150 % display scaling on."""
        global O
        os.makedirs(out, exist_ok=True)
        for O, suffix in ((1, ""), (2, "@2x")) if large else ((1, ""),):
            self.write_set(out, suffix)
        O = 1

    def write_set(self, out, suffix):
        images = {
            301: self.init_background(),
            302: self.close_button(),
            303: self.check_box(),
            304: self.text_box(),
            305: self.browse_button(),
            307: self.install_background(),
            308: self.pill_button(170, 45),
            309: self.slides(),
            310: self.complete_background(),
            311: self.progress_back(),
            312: self.progress_front(),
            315: self.pill_button(170, 45),
            316: self.update_background(),
            340: self.tip_background(),
            341: self.pill_button(90, 35),
            342: self.pill_button(90, 35, primary=False),
        }
        for rid, img in images.items():
            img.save(os.path.join(out, "%d%s.png" % (rid, suffix)), optimize=True)


def main():
    ap = argparse.ArgumentParser(description="Draws the skin images 301-342 of a setup.")
    ap.add_argument("out")
    ap.add_argument("--product", default="ORB Demo")
    ap.add_argument("--tagline", default="", help="words under the product name (one language only)")
    ap.add_argument("--accent", default="38,110,214", help="main colour as R,G,B")
    ap.add_argument("--large", action="store_true", help="also <id>@2x.png at twice the pixels (high DPI)")
    a = ap.parse_args()
    accent = tuple(int(v) for v in a.accent.split(","))
    if len(accent) != 3 or not all(0 <= v <= 255 for v in accent):
        sys.exit("make-skin: --accent wants R,G,B with values 0-255")
    Skin(a.product, a.tagline, accent).write_all(a.out, a.large)


if __name__ == "__main__":
    main()
