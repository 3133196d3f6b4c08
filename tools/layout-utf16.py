#!/usr/bin/env python3
"""Writes a layout document as UTF-16LE with a byte-order mark, whatever encoding
(UTF-8 or UTF-16 with a mark) the source file uses.

usage: layout-utf16.py <in.xml> <out.xml>"""
import codecs, sys

def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    raw = open(sys.argv[1], "rb").read()
    if raw.startswith(codecs.BOM_UTF16_LE) or raw.startswith(codecs.BOM_UTF16_BE):
        text = raw.decode("utf-16")
    else:
        text = raw.decode("utf-8-sig")
    with open(sys.argv[2], "wb") as f:
        f.write(codecs.BOM_UTF16_LE + text.encode("utf-16-le"))

if __name__ == "__main__":
    main()
