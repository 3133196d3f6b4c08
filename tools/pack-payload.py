#!/usr/bin/env python3
"""Packs a payload folder as a 7z archive and exchanges the first two signature
bytes, the form in which the setup stores its payload resource. Refuses an archive
that uses a coder the setup cannot decode (other 7z switches may choose one).

usage: pack-payload.py <folder> <out> [7z switches...]"""
import os, subprocess, sys, tempfile

# The coders the setup's decoder handles.
DECODABLE = {"COPY", "LZMA", "LZMA2", "PPMD", "BCJ", "BCJ2", "DELTA", "ARM", "ARMT", "ARM64",
             "PPC", "IA64", "SPARC", "RISCV"}


def refused_coders(arc):
    """The coders of arc that the setup cannot decode, as 7z names them."""
    run = subprocess.run(["7z", "l", "-slt", arc], capture_output=True, text=True,
                         stdin=subprocess.DEVNULL)
    if run.returncode != 0:
        return ["(the archive cannot be listed: encrypted headers?)"]
    listing = run.stdout
    refused = set()
    for line in listing.splitlines():
        if line.startswith("Method = "):
            for coder in line[len("Method = "):].split():
                name = coder.split(":")[0]
                if name.upper() not in DECODABLE:
                    refused.add(name)
    return sorted(refused)

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
        refused = refused_coders(arc)
        if refused:
            sys.exit("pack-payload: the setup cannot decode the coder(s) %s; choose others in the 7z switches"
                     % ", ".join(refused))
        data = bytearray(open(arc, "rb").read())
    if data[:2] != b"7z":
        sys.exit("7z did not write a 7z archive")
    data[0], data[1] = data[1], data[0]
    with open(out, "wb") as f:
        f.write(data)

if __name__ == "__main__":
    main()
