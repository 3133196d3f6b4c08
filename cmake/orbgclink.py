#!/usr/bin/env python3
"""Link launcher for the 32-bit stub: --gc-sections that can drop functions.

usage: orbgclink.py <compiler> <link arguments...>   (CMake's CXX_LINKER_LAUNCHER)

On i686 MinGW the unwind tables are DWARF (.eh_frame), one section per object, and the
default linker script keeps every .eh_frame (KEEP). Each FDE refers to its function, so
--gc-sections keeps every function of every object the link takes, used or not.

The launcher links twice. The first link, into a scratch file, uses the default script
with .eh_frame not kept and prints what the collector removes: the function sections
nothing but an unwind table refers to. The second link is the real one, with the same
arguments and the default script plus a /DISCARD/ rule for exactly those function
sections (and their own per-function unwind sections), named by object file.

Why that is sound: an .eh_frame refers only to the functions it describes, to their
exception tables and, through its CIEs, to a personality routine. Only function sections
are discarded here, and never a personality routine. The FDE of a discarded function
stays in the table with a start address of 0 (it is PC-relative), and the unwinder of
libgcc skips FDEs whose start is 0 (the same as for a discarded link-once function).
The output and the map file are those of the second link; orbehcompact.py then takes
those skipped entries and the objects' duplicate CIEs out of the table.

Sections are named by archive member. An archive that holds two members of one name
(ar keeps both; CMake's unity files repeat their names from target to target) stops the
launcher when a rule would name one of them: the pattern would match both.

ORBGCLINK_DEBUG=<file> keeps the scan's list of removed sections there;
ORBGCLINK_COMPACT=0 leaves the table as the linker wrote it (the build check compares).
"""
import os
import re
import subprocess
import sys
import tempfile

# Function sections the scan link may name; anything else is left to --gc-sections.
FUNCTION_SECTION = re.compile(r"^\.text(\$|\.|$)")
# Routines only a CIE refers to: needed whenever any unwind table is used.
PERSONALITY = re.compile(r"personality")
REMOVED = re.compile(r"removing unused section '([^']+)' in file '([^']+)'")


def run(cmd, **kw):
    return subprocess.run(cmd, text=True, **kw)


def default_script(compiler):
    ld = run([compiler, "-print-prog-name=ld"], capture_output=True, check=True).stdout.strip()
    out = run([ld, "--verbose"], capture_output=True, check=True).stdout
    m = re.search(r"^={10,}\n(.*?)^={10,}$", out, re.S | re.M)
    if not m:
        raise RuntimeError("no default linker script in 'ld --verbose'")
    return m.group(1)


def file_pattern(path):
    """The linker-script file pattern for an input file as ld names it."""
    m = re.match(r"^(.*)\(([^()]*)\)$", path)
    if m:  # an archive member: *<archive name>:<member>
        return "*%s:%s" % (os.path.basename(m.group(1)), m.group(2))
    return path


def archive_members(path):
    """The member names of a GNU or BSD-style ar archive, in order, repeats kept."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"!<arch>\n":
        return []
    names, longnames, pos = [], b"", 8
    while pos + 60 <= len(data):
        header = data[pos:pos + 60]
        name = header[:16].decode("latin-1").rstrip()
        size = int(header[48:58].decode("latin-1").strip() or 0)
        pos += 60
        if name == "//":
            longnames = data[pos:pos + size]
        elif name.startswith("/") and name[1:].isdigit():
            at = int(name[1:])
            end = longnames.find(b"\n", at)
            names.append(longnames[at:end if end >= 0 else None].decode("latin-1").rstrip("/"))
        elif name not in ("/", "/SYM64/"):
            names.append(name[:-1] if name.endswith("/") else name)
        pos += size + (size & 1)
    return names


def repeated_member(path, cache):
    """True when path names an archive member whose name the archive holds more than
    once: a linker-script pattern cannot tell such members apart."""
    m = re.match(r"^(.*)\(([^()]*)\)$", path)
    if not m:
        return False
    archive, member = m.groups()
    if archive not in cache:
        try:
            cache[archive] = archive_members(archive)
        except OSError:
            cache[archive] = []
    return cache[archive].count(member) > 1


def scan_script(script, keep_eh):
    """The default script with the unwind tables not kept, but what their CIEs point to
    kept: the cell that holds the personality routine's address (GCC names it
    .data$LDFCM<n> on this target). The exception tables they point to are kept by the
    default script itself."""
    at = script.index("SECTIONS\n{") + len("SECTIONS\n{")
    script = script[:at] + "\n  .orbgclink_roots : { KEEP(*(.data$LDFCM*)) }\n" + script[at:]
    return script.replace(keep_eh, "*(.eh_frame*)")


def strip_output_args(args):
    """The link arguments without the output, map and import library, for the scan."""
    out, skip = [], False
    for a in args:
        if skip:
            skip = False
            continue
        if a == "-o":
            skip = True
            continue
        if a.startswith("-Wl,") and any(p in a for p in ("-Map=", "--out-implib")):
            continue
        out.append(a)
    return out


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: orbgclink.py <compiler> <link arguments...>")
    cmd = sys.argv[1:]
    script = default_script(cmd[0])
    keep_eh = "KEEP(*(.eh_frame*))"
    if script.count(keep_eh) != 1 or "SECTIONS\n{" not in script:
        # Another linker: link as asked.
        sys.exit(run(cmd).returncode)

    with tempfile.TemporaryDirectory(prefix="orbgclink") as tmp:
        scan_x = os.path.join(tmp, "scan.x")
        with open(scan_x, "w") as f:
            f.write(scan_script(script, keep_eh))
        scan = run(strip_output_args(cmd) + ["-o", os.path.join(tmp, "scan.exe"),
                                             "-Wl,-T," + scan_x, "-Wl,--print-gc-sections"],
                   capture_output=True)
        if scan.returncode != 0:
            sys.stderr.write(scan.stderr)
            sys.exit(scan.returncode)

        if os.environ.get("ORBGCLINK_DEBUG"):
            with open(os.environ["ORBGCLINK_DEBUG"], "w") as f:
                f.write(scan.stderr)
        rules, members = [], {}
        for line in scan.stderr.splitlines():
            m = REMOVED.search(line)
            if not m:
                continue
            section = m.group(1).split("[", 1)[0]  # ld adds [<COMDAT symbol>]
            if PERSONALITY.search(section) and FUNCTION_SECTION.match(section):
                # The scan lost a root the unwind tables need: discarding would break
                # every throw. Stop rather than guess.
                sys.exit("orbgclink: the scan removed %s; roots incomplete" % section)
            if not FUNCTION_SECTION.match(section):
                continue
            if repeated_member(m.group(2), members):
                # A rule for one of them would discard the same-named section of the
                # others too, which may be the copy that is used.
                sys.exit("orbgclink: %s holds several members of that name; give them names of "
                         "their own" % m.group(2))
            pattern = file_pattern(m.group(2))
            rules.append("%s(%s)" % (pattern, section))
            if section.startswith(".text$"):  # the function's own unwind section
                rules.append("%s(.eh_frame$%s)" % (pattern, section[len(".text$"):]))
        if any(re.search(r"[\s()\"]", r.split("(", 1)[1][:-1]) for r in rules):
            sys.exit("orbgclink: a section name the linker script cannot hold")

        final_x = os.path.join(tmp, "final.x")
        at = script.index("SECTIONS\n{") + len("SECTIONS\n{")
        with open(final_x, "w") as f:
            f.write(script[:at] + "\n  /DISCARD/ :\n  {\n")
            f.writelines("    %s\n" % r for r in rules)
            f.write("  }\n" + script[at:])
        final = cmd + ["-Wl,-T," + final_x]
        mapfile = next((a.split("-Map=", 1)[1] for a in cmd if a.startswith("-Wl,-Map=")), None)
        if not mapfile:
            mapfile = os.path.join(tmp, "final.map")
            final.append("-Wl,-Map=" + mapfile)
        rc = run(final).returncode
        if rc != 0:
            sys.exit(rc)
        output = cmd[cmd.index("-o") + 1] if "-o" in cmd else "a.exe"
        if os.environ.get("ORBGCLINK_COMPACT") == "0":
            sys.exit(0)
        # The entries of the discarded functions and the objects' copies of the same
        # CIEs out of the table (orbehcompact.py says how).
        sys.exit(run([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                   "orbehcompact.py"), output, mapfile]).returncode)


if __name__ == "__main__":
    main()
