#!/usr/bin/env python3
"""Checks cmake/orbgclink.py on a small 32-bit program: an unused function goes, the
used ones, the personality routine and what it calls stay, and every unwind entry
either describes code in .text or is one the unwinder skips (start 0, so it points
at itself).

usage: gclink_check.py <i686 g++> <orbgclink.py> <work folder>
"""
import os
import re
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
    run([sys.executable, launcher, cxx, "-static", "-Wl,--gc-sections"] + objs + ["-o", exe])

    objdump = run([cxx, "-print-prog-name=objdump"]).strip()
    if objdump == "objdump":  # the driver knows no prefixed name: derive it
        objdump = re.sub(r"g\+\+(-\w+)?$", "objdump", cxx)
    # Symbols defined in a section of the image (a discarded one is left in section 0).
    syms = set(m.group(2) for m in re.finditer(r"\(sec\s+(\d+)\).* (\S+)$", run([objdump, "-t", exe]), re.M)
               if m.group(1) != "0")
    failures = []
    if "__Z6Unusedi" in syms:
        failures.append("the unused function is still linked")
    for needed in ("__Z4Usedi", "___gxx_personality_v0", "__Unwind_RaiseException"):
        if needed not in syms:
            failures.append(needed + " is missing")

    sections = {}
    for line in run([objdump, "-h", exe]).splitlines():
        f = line.split()
        if len(f) >= 6 and f[0].isdigit():
            sections[f[1]] = (int(f[3], 16), int(f[2], 16))
    text, eh = sections[".text"], sections[".eh_frame"]
    live = skipped = 0
    for line in run([objdump, "--dwarf=frames", exe]).splitlines():
        m = re.match(r"^([0-9a-f]{8}) \S+ \S+ FDE cie=\S+ pc=([0-9a-f]+)\.\.", line)
        if not m:
            continue
        pc = int(m.group(2), 16)
        if text[0] <= pc < text[0] + text[1]:
            live += 1
        elif pc == eh[0] + int(m.group(1), 16) + 8:  # PC-relative start 0
            skipped += 1
        else:
            failures.append("an unwind entry outside the code: " + line.strip())
    if not live or not skipped:
        failures.append("expected live and skipped unwind entries, got %d and %d" % (live, skipped))
    if failures:
        sys.exit("\n".join(failures))
    print("gclink: %d unwind entries live, %d skipped" % (live, skipped))


if __name__ == "__main__":
    main()
