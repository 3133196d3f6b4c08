#!/usr/bin/env python3
"""Packs a payload folder as a 7z archive and exchanges the first two signature
bytes, the form in which the setup stores its payload resource.

usage: pack-payload.py <folder> <out> [7z switches...]"""
import os, subprocess, sys, tempfile

def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    folder, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    extra = sys.argv[3:] or ["-mx=7"]
    with tempfile.TemporaryDirectory() as tmp:
        arc = os.path.join(tmp, "app.7z")
        # Run inside the folder so entry names are relative to it.
        subprocess.run(["7z", "a", "-t7z", "-bd", "-y", *extra, arc, "."], cwd=folder,
                       check=True, stdout=subprocess.DEVNULL)
        data = bytearray(open(arc, "rb").read())
    if data[:2] != b"7z":
        sys.exit("7z did not write a 7z archive")
    data[0], data[1] = data[1], data[0]
    with open(out, "wb") as f:
        f.write(data)

if __name__ == "__main__":
    main()
