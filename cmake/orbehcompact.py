#!/usr/bin/env python3
"""Compacts the DWARF unwind table (.eh_frame) of a linked 32-bit MinGW program.

usage: orbehcompact.py <program.exe> <map file>   (called by orbgclink.py)

The linker keeps each object's table whole: an entry (FDE) of a function the link
dropped stays, with a start of 0 that the unwinder skips, and each object brings its
own copy of the same few CIEs. This rewrites the part of the table the program
registers (from crtbegin.o's __EH_FRAME_BEGIN__ to the zero terminator): it leaves out
the skipped entries, keeps one copy of each CIE, and re-encodes the PC-relative
pointers for their new places. The image's later sections move down in the file; no
address in memory changes.

It changes nothing (and says why) when the table holds anything it does not know:
an absolute pointer, a base relocation inside the table, an unknown augmentation.
"""
import re
import struct
import sys

PCREL_SDATA4 = 0x1B
INDIRECT = 0x80


class Unsupported(Exception):
    pass


def uleb(b, i):
    v = s = 0
    while True:
        c = b[i]
        i += 1
        v |= (c & 0x7F) << s
        s += 7
        if not c & 0x80:
            return v, i


def pe_sections(d):
    pe = struct.unpack_from("<I", d, 0x3C)[0]
    if d[pe:pe + 4] != b"PE\0\0":
        raise Unsupported("not a PE image")
    nsec, = struct.unpack_from("<H", d, pe + 6)
    optsz, = struct.unpack_from("<H", d, pe + 20)
    opt = pe + 24
    if struct.unpack_from("<H", d, opt)[0] != 0x10B:
        raise Unsupported("not a 32-bit image")
    symtab, nsym = struct.unpack_from("<II", d, pe + 12)
    secs = []
    for k in range(nsec):
        o = opt + optsz + 40 * k
        name = d[o:o + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and name[1:].isdigit() and symtab:  # a long name
            at = symtab + 18 * nsym + int(name[1:])
            name = d[at:d.index(b"\0", at)].decode("latin-1")
        vsize, va, rsize, rptr = struct.unpack_from("<IIII", d, o + 8)
        secs.append(dict(hdr=o, name=name, vsize=vsize, va=va, rsize=rsize, rptr=rptr))
    return pe, opt, secs


def base_relocs(d, opt, secs):
    """RVAs the loader patches."""
    rva, size = struct.unpack_from("<II", d, opt + 96 + 8 * 5)
    sec = next((s for s in secs if s["va"] <= rva < s["va"] + max(s["vsize"], s["rsize"])), None)
    out = []
    if not sec or not size:
        return out
    o = sec["rptr"] + rva - sec["va"]
    end = o + size
    while o < end:
        page, bsize = struct.unpack_from("<II", d, o)
        if bsize < 8:
            break
        for k in range((bsize - 8) // 2):
            e, = struct.unpack_from("<H", d, o + 8 + 2 * k)
            if e >> 12:
                out.append(page + (e & 0xFFF))
        o += bsize
    return out


def parse_records(tab, start):
    """The records from start to the zero terminator: (offset, length incl. header)."""
    recs, i = [], start
    while True:
        if i + 4 > len(tab):
            raise Unsupported("no terminator in the table")
        n, = struct.unpack_from("<I", tab, i)
        if n == 0:
            return recs, i
        if n == 0xFFFFFFFF:
            raise Unsupported("64-bit DWARF record")
        recs.append((i, n + 4))
        i += n + 4


def cie_info(tab, off):
    """(augmentation, offset of personality field or None, R encoding, L encoding)."""
    i = off + 8
    if tab[i] not in (1, 3):
        raise Unsupported("CIE version %d" % tab[i])
    i += 1
    aug_end = tab.index(b"\0", i)
    aug = tab[i:aug_end].decode("latin-1")
    i = aug_end + 1
    _, i = uleb(tab, i)  # code alignment
    _, i = uleb(tab, i)  # data alignment (sleb, only skipped)
    if tab[off + 8] == 1:
        i += 1
    else:
        _, i = uleb(tab, i)
    pers, renc, lenc = None, 0, 0xFF
    if aug.startswith("z"):
        _, i = uleb(tab, i)
        for c in aug[1:]:
            if c == "P":
                enc = tab[i]
                if enc & 0x7F != PCREL_SDATA4:
                    raise Unsupported("personality encoding %#x" % enc)
                pers = i + 1
                i += 5
            elif c == "R":
                renc = tab[i]
                i += 1
            elif c == "L":
                lenc = tab[i]
                i += 1
            elif c in "S":
                pass
            else:
                raise Unsupported("augmentation %r" % aug)
    elif aug:
        raise Unsupported("augmentation %r" % aug)
    if renc != PCREL_SDATA4 or lenc not in (PCREL_SDATA4, 0xFF):
        raise Unsupported("pointer encodings %#x/%#x" % (renc, lenc))
    return aug, pers, lenc


def compact(tab, start, base_va):
    """The new table bytes from start on (terminator included)."""
    recs, term = parse_records(tab, start)
    cies = {}
    for off, ln in recs:
        if struct.unpack_from("<I", tab, off + 4)[0] == 0:
            cies[off] = cie_info(tab, off)
    out = bytearray()
    new_cie = {}   # old CIE offset -> new offset (from start)
    by_key = {}    # CIE identity -> new offset
    pc_fields = []  # (new field offset, target VA)

    def put_pcrel(field_new, target):
        pc_fields.append((field_new, target))

    for off, ln in recs:
        cie_ptr = struct.unpack_from("<I", tab, off + 4)[0]
        if cie_ptr == 0:
            aug, pers, lenc = cies[off]
            body = bytes(tab[off:off + ln])
            target = None
            if pers is not None:
                rel = pers - off
                target = base_va + pers + struct.unpack_from("<i", tab, pers)[0]
                body = body[:rel] + b"\0\0\0\0" + body[rel + 4:]
            key = (body, target)
            if key in by_key:
                new_cie[off] = by_key[key]
                continue
            here = len(out)
            by_key[key] = new_cie[off] = here
            out += body
            if pers is not None:
                put_pcrel(here + (pers - off), target)
            continue
        cie = off + 4 - cie_ptr
        if cie not in cies:
            raise Unsupported("FDE at %#x names no CIE" % off)
        aug, pers, lenc = cies[cie]
        raw_pc = struct.unpack_from("<i", tab, off + 8)[0]
        if raw_pc == 0:
            continue  # a function the link dropped: the unwinder skips it
        here = len(out)
        body = bytearray(tab[off:off + ln])
        struct.pack_into("<I", body, 4, here + 4 - new_cie[cie])
        put_pcrel(here + 8, base_va + off + 8 + raw_pc)
        if aug.startswith("z") and lenc != 0xFF:
            _, i = uleb(tab, off + 16)
            lsda = struct.unpack_from("<i", tab, i)[0]
            if lsda:
                put_pcrel(here + (i - off), base_va + i + lsda)
        out += body
    out += b"\0\0\0\0"
    return out, pc_fields, term


def main():
    exe, mapfile = sys.argv[1:3]
    d = bytearray(open(exe, "rb").read())
    try:
        pe, opt, secs = pe_sections(d)
        eh = [s for s in secs if s["name"] in (".eh_fram", ".eh_frame")]
        if len(eh) != 1:
            raise Unsupported("no single .eh_frame section")
        eh = eh[0]
        image_base, = struct.unpack_from("<I", d, opt + 28)
        falign, = struct.unpack_from("<I", d, opt + 36)
        eh_va = image_base + eh["va"]
        m = re.search(r"^ \.eh_frame\s+0x([0-9a-f]+)\s+0x[0-9a-f]+\s+\S*crtbegin\.o$",
                      open(mapfile).read(), re.M)
        if not m:
            raise Unsupported("crtbegin.o's table not in the map")
        start = int(m.group(1), 16) - eh_va
        size = min(eh["vsize"], eh["rsize"])
        if not 0 <= start < size:
            raise Unsupported("__EH_FRAME_BEGIN__ outside the table")
        for r in base_relocs(d, opt, secs):
            if eh["va"] <= r < eh["va"] + size:
                raise Unsupported("a base relocation inside the table")
        tab = bytes(d[eh["rptr"]:eh["rptr"] + size])
        new, fields, term = compact(tab, start, eh_va)
    except (Unsupported, ValueError, IndexError, struct.error) as e:
        print("orbehcompact: table left as it is: %s" % e)
        return
    for at, target in fields:
        struct.pack_into("<i", new, at, target - (eh_va + start + at))
    table = tab[:start] + bytes(new)
    new_raw = (len(table) + falign - 1) // falign * falign
    delta = eh["rsize"] - new_raw
    if delta < 0:
        return
    content = table + b"\0" * (new_raw - len(table))
    d[eh["rptr"]:eh["rptr"] + eh["rsize"]] = content
    struct.pack_into("<I", d, eh["hdr"] + 8, len(table))
    struct.pack_into("<I", d, eh["hdr"] + 16, new_raw)
    for s in secs:
        if s["rptr"] > eh["rptr"]:
            struct.pack_into("<I", d, s["hdr"] + 20, s["rptr"] - delta)
    symtab, = struct.unpack_from("<I", d, pe + 12)
    if symtab > eh["rptr"]:  # an unstripped image: the COFF symbols follow the sections
        struct.pack_into("<I", d, pe + 12, symtab - delta)
    init, = struct.unpack_from("<I", d, opt + 8)
    struct.pack_into("<I", d, opt + 8, init - delta)
    if struct.unpack_from("<I", d, opt + 64)[0]:
        struct.pack_into("<I", d, opt + 64, 0)  # no checksum rather than a wrong one
    with open(exe, "wb") as f:
        f.write(d)
    note = "orbehcompact: unwind table %d -> %d bytes" % (size, len(table))
    with open(mapfile, "a") as f:  # for tools/bench/stub/breakdown.py
        f.write("\n# %s\n" % note)
    print(note)


if __name__ == "__main__":
    main()
