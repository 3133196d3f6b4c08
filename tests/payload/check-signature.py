#!/usr/bin/env python3
"""The signature of a setup with an appended payload covers the payload: the signed
file verifies, and a copy with one payload byte changed does not.

usage: check-signature.py <osslsigncode> <signed setup> <certificate>"""
import os, struct, subprocess, sys, tempfile

def verify(tool, path, cert):
    return subprocess.run([tool, "verify", "-CAfile", cert, "-in", path],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0

def main():
    tool, signed, cert = sys.argv[1:]
    data = bytearray(open(signed, "rb").read())
    at = data.rfind(b"ORBPAYLD")
    if at < 0:
        sys.exit("no payload entry in " + signed)
    offset, size = struct.unpack_from("<QQ", data, at + 8)
    if not verify(tool, signed, cert):
        sys.exit("the signed setup does not verify")
    data[offset + size // 2] ^= 1
    with tempfile.TemporaryDirectory() as tmp:
        changed = os.path.join(tmp, "changed.exe")
        open(changed, "wb").write(data)
        if verify(tool, changed, cert):
            sys.exit("a changed payload byte still verifies: the signature does not cover the payload")
    print("signature covers the payload of %d bytes" % size)

if __name__ == "__main__":
    main()
