#!/usr/bin/env python3
"""Test archives for the block decoder: one folder of varied files (x86-like code for
the branch filters, incompressible bytes, text) packed by Debian's 7z once per coder
and filter combination. usage: make-coder-archives.py <7z> <output folder>"""
import os
import random
import shutil
import subprocess
import sys

# Small dictionaries make the decoders wrap their ring buffers inside one file.
COMBOS = {
    "copy": ["-m0=Copy"],
    "lzma": ["-m0=LZMA:d=64k"],
    "lzma2": ["-m0=LZMA2:d=64k"],
    "lzma2-nonsolid": ["-m0=LZMA2:d=64k", "-ms=off"],
    "bcj-lzma": ["-m0=BCJ", "-m1=LZMA:d=64k"],
    "arm-lzma2": ["-m0=ARM", "-m1=LZMA2:d=64k"],
    "armt-lzma": ["-m0=ARMT", "-m1=LZMA:d=64k"],
    "arm64-lzma2": ["-m0=ARM64", "-m1=LZMA2:d=64k"],
    "ppc-lzma2": ["-m0=PPC", "-m1=LZMA2:d=64k"],
    "sparc-lzma2": ["-m0=SPARC", "-m1=LZMA2:d=64k"],
    "ia64-lzma2": ["-m0=IA64", "-m1=LZMA2:d=64k"],
    "riscv-lzma2": ["-m0=RISCV", "-m1=LZMA2:d=64k"],
    "delta-lzma": ["-m0=Delta:4", "-m1=LZMA:d=64k"],
    "bcj-copy": ["-m0=BCJ", "-m1=Copy"],
    "bcj2": ["-m0=BCJ2", "-m1=LZMA2:d=64k", "-m2=LZMA:d=64k", "-m3=LZMA:d=64k",
             "-mb0s0:1", "-mb0s1:2", "-mb0s2:3"],
    "bcj2-default": ["-m0=LZMA2:d=64k", "-mf=BCJ2"],
    "ppmd": ["-m0=PPMd:o=6:mem=16m"],
    "ppmd-nonsolid": ["-m0=PPMd:o=32:mem=1m", "-ms=off"],
    "bzip2": ["-m0=BZip2"],  # a coder the setup does not decode
}


def x86_like(rng, size):
    out = bytearray()
    while len(out) < size:
        r = rng.random()
        if r < 0.25:
            out += b"\xe8" + rng.randbytes(4)
        elif r < 0.35:
            out += b"\x0f\x85" + rng.randbytes(4)
        elif r < 0.45:
            out += b"\xe9" + (len(out) & 0xFFFF).to_bytes(4, "little")
        else:
            out += b"mov eax, [ebx+%d]; " % rng.randrange(64)
    return bytes(out[:size])


def main():
    seven, out = sys.argv[1], sys.argv[2]
    data = os.path.join(out, "coders-data")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(os.path.join(data, "sub"))
    rng = random.Random(14)
    files = {
        "code.exe": x86_like(rng, 700_000),
        "noise.bin": rng.randbytes(300_001),
        "text.txt": b"".join(b"line %d of the guide\r\n" % i for i in range(9000)),
        "empty.txt": b"",
        "sub/odd.bin": x86_like(rng, 4099),
        "sub/z.txt": b"z",
    }
    for name, content in files.items():
        with open(os.path.join(data, name), "wb") as f:
            f.write(content)
    for name, switches in COMBOS.items():
        target = os.path.join(out, "coders-%s.7z" % name)
        if os.path.exists(target):
            os.remove(target)
        subprocess.run([seven, "a", "-t7z", "-bd", "-y", "-mmt=1", "-mqs=off"] + switches + [target, "."],
                       cwd=data, check=True, stdout=subprocess.DEVNULL)
    # A block large enough to be decoded ahead on a thread of its own.
    big = os.path.join(out, "coders-big-data")
    shutil.rmtree(big, ignore_errors=True)
    os.makedirs(big)
    for name, content in {"big.exe": x86_like(rng, 5_000_000), "after.txt": b"after the big one\r\n"}.items():
        with open(os.path.join(big, name), "wb") as f:
            f.write(content)
    target = os.path.join(out, "coders-bcj-lzma-big.7z")
    if os.path.exists(target):
        os.remove(target)
    subprocess.run([seven, "a", "-t7z", "-bd", "-y", "-mmt=1", "-mqs=off", "-m0=BCJ", "-m1=LZMA:d=1m", target, "."],
                   cwd=big, check=True, stdout=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
