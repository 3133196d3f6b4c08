#!/usr/bin/env python3
"""Writes the benchmark payload: about 100 MB of text, random binary and many small
files, the same bytes on every run. With --big: about 2 GB, mostly incompressible
(one 64 MB random piece written again and again, farther apart than any dictionary
reaches) plus 3,000 small files, for the memory run.

usage: make-payload.py [--big] <folder>"""
import os, random, sys

MB = 1 << 20

def text(rng, words, size):
    out, n = [], 0
    while n < size:
        line = " ".join(rng.choices(words, k=rng.randint(6, 16))) + ".\n"
        out.append(line)
        n += len(line)
    return "".join(out)[:size].encode()

def big(root):
    rng = random.Random(20261209)
    piece = rng.randbytes(64 * MB)
    os.makedirs(os.path.join(root, "data"), exist_ok=True)
    for i in range(31):     # 1.94 GB
        open(os.path.join(root, "data", "part%02d.bin" % i), "wb").write(piece)
    for i in range(3000):
        d = os.path.join(root, "small", "d%02d" % (i % 30))
        os.makedirs(d, exist_ok=True)
        open(os.path.join(d, "f%04d.dat" % i), "wb").write(rng.randbytes(rng.randint(512, 8 * 1024)))

def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--big":
        return big(sys.argv[2])
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    root = sys.argv[1]
    rng = random.Random(20261208)
    words = ["".join(rng.choices("abcdefghijklmnopqrstuvwxyz", k=rng.randint(2, 10))) for _ in range(5000)]
    for sub in ("text", "bin", "small"):
        os.makedirs(os.path.join(root, sub), exist_ok=True)
    for i in range(8):      # 40 MB of text
        open(os.path.join(root, "text", "doc%d.txt" % i), "wb").write(text(rng, words, 5 * MB))
    for i in range(4):      # 40 MB that does not compress
        open(os.path.join(root, "bin", "blob%d.bin" % i), "wb").write(rng.randbytes(10 * MB))
    for i in range(5000):   # 20 MB in small files, half text, half random
        d = os.path.join(root, "small", "d%02d" % (i % 50))
        os.makedirs(d, exist_ok=True)
        size = rng.randint(1024, 7 * 1024)
        data = text(rng, words, size) if i % 2 else rng.randbytes(size)
        open(os.path.join(d, "f%04d.dat" % i), "wb").write(data)

if __name__ == "__main__":
    main()
