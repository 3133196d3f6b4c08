#!/usr/bin/env python3
"""Stores a payload archive after the image of a built setup, for archives too large
to be mapped with it: the archive, zero padding to a multiple of 8 bytes, then a
64-byte entry "ORBPAYLD", offset and size (64-bit little-endian) and the name (up to 20
UTF-16 units, zero-padded). Run it before signing: the signature then covers the
payload, and the setup finds the entry just before its certificate table.

With --digest it writes the archive's SHA-256 (32 bytes) and size (64-bit
little-endian) to a file, which the build stores in the image as resource
PAYLOADSHA256/<name>: the setup unpacks the appended archive only when it matches.

usage: append-payload.py <setup.exe> <archive> <name>
       append-payload.py --digest <archive> <out>"""
import hashlib, os, struct, sys

def digest(archive, out):
    sha, size = hashlib.sha256(), 0
    with open(archive, "rb") as src:
        while True:
            chunk = src.read(1 << 22)
            if not chunk:
                break
            sha.update(chunk)
            size += len(chunk)
    with open(out, "wb") as f:
        f.write(sha.digest() + struct.pack("<Q", size))

def main():
    if len(sys.argv) == 4 and sys.argv[1] == "--digest":
        return digest(sys.argv[2], sys.argv[3])
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    exe, archive, name = sys.argv[1:]
    encoded = name.encode("utf-16-le")
    if len(encoded) > 40:
        sys.exit("payload name longer than 20 units: " + name)
    with open(exe, "r+b") as f:
        f.seek(0, os.SEEK_END)
        end = f.tell()
        # A file with an entry already (a relink that skipped nothing) is refused.
        if end >= 64:
            f.seek(end - 64)
            if f.read(8) == b"ORBPAYLD":
                sys.exit(exe + " already carries a payload")
        f.seek(end)
        offset = (end + 7) & ~7
        f.write(b"\0" * (offset - end))
        size = 0
        with open(archive, "rb") as src:
            while True:
                chunk = src.read(1 << 22)
                if not chunk:
                    break
                f.write(chunk)
                size += len(chunk)
        f.write(b"\0" * (-(offset + size) % 8))
        f.write(b"ORBPAYLD" + struct.pack("<QQ", offset, size) + encoded.ljust(40, b"\0"))

if __name__ == "__main__":
    main()
