#!/usr/bin/env python3
"""Draws the default window icon (32x32 and 16x16, 32-bit with alpha) as an .ico file.

usage: make-icon.py <out.ico>"""
import struct, sys

def image(size):
    # A rounded blue square with a white downward arrow: "install".
    px = []
    r = size * 0.22
    for y in range(size - 1, -1, -1):          # DIB rows run bottom-up
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            dx = max(r - cx, 0, cx - (size - r)); dy = max(r - cy, 0, cy - (size - r))
            inside = dx * dx + dy * dy <= r * r
            if not inside:
                px.append((0, 0, 0, 0)); continue
            u, v = cx / size, cy / size
            arrow = (0.42 <= u <= 0.58 and 0.18 <= v <= 0.55) or \
                    (0.55 <= v <= 0.80 and abs(u - 0.5) <= (0.80 - v) * 1.1)
            px.append((255, 255, 255, 255) if arrow else (214, 120, 38, 255))  # BGRA
    bits = b"".join(struct.pack("4B", *p) for p in px)
    mask = b"\0" * (((size + 31) // 32) * 4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(bits) + len(mask), 0, 0, 0, 0)
    return header + bits + mask

def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    sizes = [32, 16]
    imgs = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, imgs):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    open(sys.argv[1], "wb").write(out + b"".join(imgs))

if __name__ == "__main__":
    main()
