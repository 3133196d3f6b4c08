#!/usr/bin/env python3
"""Checks cmake/orbgclink.py on a small 32-bit program: an unused function goes, the
used ones, the personality routine and what it calls stay, and every unwind entry
either describes code in .text or is one the unwinder skips (start 0, so it points
at itself). The compacted table (cmake/orbehcompact.py) must describe the same code
the same way as the table before, and the code must not change. An archive with two
members of one name is refused.

usage: gclink_check.py <i686 g++> <orbgclink.py> <work folder>
"""
import os
import re
import struct
import subprocess
import sys

LIB = r"""
#include <stdexcept>
#include <string>
int Unused(int n) {  // nothing calls it
    if (n < 0) throw std::runtime_error("unused-marker");
    return n * 7;
}
int Used(int n) {
    std::string s(static_cast<size_t>(n), 'x');
    if (n > 1000) throw std::length_error("too long");
    return static_cast<int>(s.size());
}
"""
MAIN = r"""
#include <stdexcept>
int Used(int n);
int main(int argc, char**) {
    try { return Used(argc * 2000); } catch (const std::length_error&) { return 3; }
}
"""


def run(cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw).stdout


def main():
    cxx, launcher, work = sys.argv[1:4]
    os.makedirs(work, exist_ok=True)
    objs = []
    for name, text in (("lib", LIB), ("main", MAIN)):
        src = os.path.join(work, name + ".cpp")
        with open(src, "w") as f:
            f.write(text)
        obj = os.path.join(work, name + ".o")
        run([cxx, "-Os", "-ffunction-sections", "-fdata-sections", "-c", src, "-o", obj])
        objs.append(obj)
    exe = os.path.join(work, "t.exe")
    plain = os.path.join(work, "plain.exe")
    link = [sys.executable, launcher, cxx, "-static", "-Wl,--gc-sections"] + objs
    run(link + ["-o", exe])
    run(link + ["-o", plain], env=dict(os.environ, ORBGCLINK_COMPACT="0"))

    objdump = tool(cxx, "objdump")
    # Symbols defined in a section of the image (a discarded one is left in section 0).
    syms = set(m.group(2) for m in re.finditer(r"\(sec\s+(\d+)\).* (\S+)$", run([objdump, "-t", exe]), re.M)
               if m.group(1) != "0")
    failures = []
    if "__Z6Unusedi" in syms:
        failures.append("the unused function is still linked")
    for needed in ("__Z4Usedi", "___gxx_personality_v0", "__Unwind_RaiseException"):
        if needed not in syms:
            failures.append(needed + " is missing")

    # Before compaction: every entry describes code or is one the unwinder skips.
    live, skipped, before = unwind_entries(objdump, plain, failures)
    if not live or not skipped:
        failures.append("expected live and skipped unwind entries, got %d and %d" % (live, skipped))
    # After: the same entries for the code, each as the unwinder reads it, and no other.
    live_after, skipped_after, after = unwind_entries(objdump, exe, failures)
    if skipped_after or before != after:
        failures.append("the compacted table differs: %d/%d entries, %d skipped"
                        % (len(before), len(after), skipped_after))
    if run([objdump, "-d", plain]).split("\n", 2)[2] != run([objdump, "-d", exe]).split("\n", 2)[2]:
        failures.append("the code changed")
    repeated_member_refused(cxx, launcher, work, failures)
    if failures:
        sys.exit("\n".join(failures))
    print("gclink: %d unwind entries live, %d skipped; table %d -> %d bytes"
          % (live, skipped, sections(objdump, plain)[".eh_frame"][1], sections(objdump, exe)[".eh_frame"][1]))


def tool(cxx, name):
    path = run([cxx, "-print-prog-name=" + name]).strip()
    if path == name:  # the driver knows no prefixed name: derive it
        path = re.sub(r"g\+\+(-\w+)?$", name, cxx)
    return path


def repeated_member_refused(cxx, launcher, work, failures):
    """An archive with two members of one name (two objects both named part.o), each with
    a file-local Helper: the rule for the first's unused one would discard the second's,
    which is used, so the launcher must refuse rather than link."""
    helper = "namespace { __attribute__((noinline)) int Helper(int n) { return n * %d; } }\n"
    objs = []
    for sub, text in (("a", helper % 3 + "int Spare(int n) { return Helper(n); }\nint Also(int n) { return n - 1; }\n"),
                      ("b", helper % 5 + "int Kept(int n) { return Helper(n); }\n")):
        os.makedirs(os.path.join(work, sub), exist_ok=True)
        src = os.path.join(work, sub, "part.cpp")
        with open(src, "w") as f:
            f.write(text)
        objs.append(os.path.join(work, sub, "part.o"))
        run([cxx, "-Os", "-ffunction-sections", "-c", src, "-o", objs[-1]])
    lib = os.path.join(work, "libparts.a")
    if os.path.exists(lib):
        os.remove(lib)
    run([tool(cxx, "ar"), "qc", lib] + objs)
    main = os.path.join(work, "usekept.cpp")
    with open(main, "w") as f:
        f.write("int Kept(int);\nint Also(int);\nint main(int argc, char**) { return Kept(argc) + Also(argc); }\n")
    r = subprocess.run([sys.executable, launcher, cxx, "-static", "-Wl,--gc-sections", main, lib,
                        "-o", os.path.join(work, "parts.exe")], capture_output=True, text=True)
    if r.returncode == 0 or "several members" not in r.stderr:
        failures.append("an archive with two members named part.o was linked (%d): %s"
                        % (r.returncode, r.stderr.strip()))


def sections(objdump, exe):
    out = {}
    for line in run([objdump, "-h", exe]).splitlines():
        f = line.split()
        if len(f) >= 6 and f[0].isdigit():
            out[f[1]] = (int(f[3], 16), int(f[2], 16))
    return out


def unwind_entries(objdump, exe, failures):
    """(live count, skipped count, sorted entries for code) of the registered table: an
    entry is its code range, personality and exception table addresses and its CIE's
    and its own instructions."""
    secs = sections(objdump, exe)
    text, eh = secs[".text"], secs[".eh_frame"]
    dump = run([objdump, "--dwarf=frames", exe])
    # What follows the first terminator is not registered (crtbegin.o's start is after
    # crt2.o's entries, which come first and have no terminator of their own).
    dump = dump.split(" ZERO terminator")[0]
    records, cur = [], None
    for line in dump.splitlines() + [""]:
        m = re.match(r"^([0-9a-f]{8}) \S+ \S+ (CIE|FDE)(.*)$", line)
        if m or not line.strip():
            if cur:
                records.append(cur)
            cur = None
        if m:
            cur = {"off": int(m.group(1), 16), "kind": m.group(2), "rest": m.group(3), "lines": []}
        elif cur is not None and line.strip():
            cur["lines"].append(line.strip())
    cies = {r["off"]: r for r in records if r["kind"] == "CIE"}
    live = skipped = 0
    entries = []
    for r in records:
        if r["kind"] != "FDE":
            continue
        pc = re.search(r"pc=([0-9a-f]+)\.\.([0-9a-f]+)", r["rest"])
        start = int(pc.group(1), 16)
        if start == eh[0] + r["off"] + 8:  # PC-relative start 0
            skipped += 1
            continue
        if not text[0] <= start < text[0] + text[1]:
            failures.append("an unwind entry outside the code: " + r["rest"])
            continue
        live += 1
        cie = cies[int(re.search(r"cie=([0-9a-f]+)", r["rest"]).group(1), 16)]
        aug = next(l for l in cie["lines"] if l.startswith("Augmentation:")).split('"')[1]
        pers = lsda = None
        if "P" in aug:  # version, augmentation, one-byte alignment factors and register
            data = data_bytes(cie)
            pers = eh[0] + cie["off"] + 8 + 1 + len(aug) + 1 + 3 + 1 + 1 + struct.unpack("<i", data[1:5])[0]
        if "L" in aug:
            v = struct.unpack("<i", data_bytes(r)[:4])[0]
            lsda = eh[0] + r["off"] + 17 + v if v else 0
        own = tuple(l for l in r["lines"] if not l.startswith("Augmentation data"))
        common = tuple(l for l in cie["lines"] if not l.startswith("Augmentation data"))
        entries.append((pc.group(1), pc.group(2), pers, lsda, own, common))
    return live, skipped, sorted(entries, key=repr)


def data_bytes(record):
    line = next(l for l in record["lines"] if l.startswith("Augmentation data:"))
    return bytes.fromhex(line.split(":", 1)[1].replace(" ", ""))


if __name__ == "__main__":
    main()
