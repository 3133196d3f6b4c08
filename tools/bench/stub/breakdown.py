#!/usr/bin/env python3
"""Where the bytes of a linked program are: reads a GNU ld map file (-Wl,-Map=<file>)
and prints the size of each output section, then the bytes each library and each
object contributes to the sections that end up in the file (.bss and debug sections
left out; resources as they come from the .res object).

usage: breakdown.py <file.map> [--objects N]   (N largest objects, default 30)
"""
import collections
import os
import re
import sys

# Output sections that hold no file bytes.
NOT_IN_FILE = re.compile(r"^\.(bss|debug|stab|comment|gnu|note)|^/\d+")
INPUT = re.compile(r"^ (\S+)?\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$")


def owner(path):
    """(library, object) of an input file name such as /x/libfoo.a(bar.o)."""
    m = re.match(r"^(.*)\((.*)\)$", path)
    if m:
        return os.path.basename(m.group(1)), m.group(2)
    base = os.path.basename(path)
    # CMake object libraries: .../CMakeFiles/<target>.dir/.../x.cpp.obj
    m = re.search(r"CMakeFiles/([^/]+)\.dir/", path)
    return (m.group(1) if m else "(objects)"), base


def parse(lines):
    sections = collections.OrderedDict()
    contrib = collections.Counter()
    by_object = collections.Counter()
    out = None
    pending = None
    started = False
    for raw in lines:
        line = raw.rstrip("\n")
        if line.startswith("Linker script and memory map"):
            started = True
            continue
        if not started:
            continue
        m = re.match(r"^(\.\S+|/\d+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)", line)
        if m:
            out = m.group(1)
            sections[out] = int(m.group(3), 16)
            pending = None
            continue
        if re.match(r"^\.\S+$", line):  # a long output section name alone on its line
            out = line
            sections.setdefault(out, 0)
            continue
        if out is None or NOT_IN_FILE.match(out):
            continue
        m = INPUT.match(line)
        if m:
            size = int(m.group(3), 16)
            name = m.group(4).strip()
            if size and not name.startswith("0x") and "(size before relaxing)" not in name:
                lib, obj = owner(name)
                contrib[(lib, out)] += size
                by_object[(lib, obj)] += size
            pending = None
            continue
        m = re.match(r"^ (\.\S+)$", line)  # input section name alone; values on the next line
        if m:
            pending = m.group(1)
            continue
        m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m and pending:
            size = int(m.group(2), 16)
            if size:
                lib, obj = owner(m.group(3).strip())
                contrib[(lib, out)] += size
                by_object[(lib, obj)] += size
            pending = None
    return sections, contrib, by_object


def main():
    args = sys.argv[1:]
    top = 30
    if "--objects" in args:
        i = args.index("--objects")
        top = int(args[i + 1])
        del args[i:i + 2]
    if len(args) != 1:
        sys.exit(__doc__)
    with open(args[0], encoding="utf-8", errors="replace") as f:
        text = f.read()
    sections, contrib, by_object = parse(text.splitlines(True))

    print("output sections (bytes in memory; .bss and debug not in the file):")
    for name, size in sections.items():
        if size:
            print("  %-12s %10d" % (name, size))
    # The 32-bit stub's link compacts the unwind table after the map was written
    # (cmake/orbehcompact.py): the figures below are those of the input sections.
    m = re.search(r"^# orbehcompact: unwind table (\d+) -> (\d+) bytes$", text, re.M)
    if m:
        print("  .eh_frame after compaction: %s bytes (%d less than the input sections below)"
              % (m.group(2), int(m.group(1)) - int(m.group(2))))
    libs = collections.Counter()
    kinds = collections.defaultdict(collections.Counter)
    for (lib, sec), size in contrib.items():
        libs[lib] += size
        kinds[lib][sec] += size
    total = sum(libs.values())
    print("\nby library (%d bytes in file sections):" % total)
    print("  %-28s %9s %6s  %s" % ("library", "bytes", "%", "largest sections"))
    for lib, size in libs.most_common():
        secs = ", ".join("%s %d" % (s, n) for s, n in kinds[lib].most_common(3))
        print("  %-28s %9d %5.1f%%  %s" % (lib, size, 100.0 * size / total, secs))
    print("\nlargest objects:")
    for (lib, obj), size in by_object.most_common(top):
        print("  %-28s %-36s %9d" % (lib, obj, size))


if __name__ == "__main__":
    main()
