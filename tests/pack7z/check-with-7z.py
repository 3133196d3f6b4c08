#!/usr/bin/env python3
"""Archives written by the packer's 7z writer (pack7z_tool.exe under Wine), from trees
made here on Linux: Debian's 7z and the setup's extractor both unpack the same files,
times and empty folders; executables get the x86 filter; names Windows cannot hold are
refused with their path, and no archive is left.

usage: check-with-7z.py <wine64> <pack7z_tool.exe> <7z> <work folder>"""
import os, shutil, subprocess, sys

wine, tool, sevenzip, work = sys.argv[1:5]
failures = []


def win(path):
    return "Z:" + path.replace("/", "\\")


def run_tool(*args):
    return subprocess.run([wine, tool] + list(args), capture_output=True, text=True, errors="replace")


def check(cond, what):
    if not cond:
        failures.append(what)


def tree_of(root):
    """{relative path: (data or None for a folder, mtime in 100-ns units)}"""
    out = {}
    for dirpath, dirs, files in os.walk(root):
        for name in dirs + files:
            p = os.path.join(dirpath, name)
            rel = os.path.relpath(p, root)
            st = os.lstat(p)
            data = None if os.path.isdir(p) else open(p, "rb").read()
            out[rel] = (data, st.st_mtime_ns // 100)
    return out


shutil.rmtree(work, ignore_errors=True)
src = os.path.join(work, "src")
T = 1546300800 * 10**9 + 123456700  # 2019-01-01, with 100-ns digits
files = {
    "readme.txt": b"read me\n" * 500,
    "bin/tool.exe": open(tool, "rb").read(),
    "bin/table.bin": bytes((i * 7919 >> 5) & 0xFF for i in range(200000)),
    "docs/名字/说明.txt": "unicode\n".encode(),
    "docs/empty.txt": b"",
}
for i, (rel, data) in enumerate(sorted(files.items())):
    p = os.path.join(src, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    open(p, "wb").write(data)
    os.utime(p, ns=(T, T + i * 10**9 + 100 * i))
os.makedirs(os.path.join(src, "empty", "inner"))

archive = os.path.join(work, "a.7z")
r = run_tool("pack", win(src), win(archive))
check(r.returncode == 0, "pack failed: " + r.stderr)

host = os.path.join(work, "host")
os.makedirs(host)
r = run_tool("extract", win(archive), win(host))
check(r.returncode == 0, "host extraction failed: " + r.stderr)
seven = os.path.join(work, "7z")
r = subprocess.run([sevenzip, "x", "-bd", "-y", "-o" + seven, archive], capture_output=True, text=True)
check(r.returncode == 0, "7z x failed: " + r.stdout + r.stderr)

want = tree_of(src)
for name, folder in (("host extractor", host), ("7z", seven)):
    got = tree_of(folder)
    check(sorted(got) == sorted(want), "%s: entries %s, want %s" % (name, sorted(got), sorted(want)))
    for rel, (data, mtime) in want.items():
        if rel not in got:
            continue
        check(got[rel][0] == data, "%s: %s differs" % (name, rel))
        # Folder times are set by 7z only; the setup's extractor sets file times.
        if data is not None:
            check(got[rel][1] == mtime, "%s: %s time %d, want %d" % (name, rel, got[rel][1], mtime))

listing = subprocess.run([sevenzip, "l", "-slt", archive], capture_output=True, text=True).stdout
methods = {}
path = None
for line in listing.splitlines():
    if line.startswith("Path = "):
        path = line[7:]
    elif line.startswith("Method = ") and path:
        methods[path] = line[9:]
check("BCJ" in methods.get("bin/tool.exe", ""), "tool.exe not filtered: %r" % methods.get("bin/tool.exe"))
check(methods.get("readme.txt", "").startswith("LZMA2"), "readme.txt: %r" % methods.get("readme.txt"))
check("BCJ" not in methods.get("bin/table.bin", "BCJ"), "table.bin filtered")

# Each name Windows cannot hold, made here where Linux allows it, is refused by name.
bad = [["CON"], ["sub", "nul.txt"], ["Com1.log"], ["trail."], ["blank "], ["a:b"], ["q?"], ["back\\slash"],
       ["Readme.TXT", "README.txt"]]
for names in bad:
    case = os.path.join(work, "bad")
    shutil.rmtree(case, ignore_errors=True)
    os.makedirs(os.path.join(case, "sub"))
    open(os.path.join(case, "ok.txt"), "w").write("ok")
    if len(names) == 2 and names[0].lower() == names[1].lower():
        for n in names:
            open(os.path.join(case, n), "w").write(n)
        offending = names[1]
    else:
        p = os.path.join(case, *names)
        open(p, "w").write("x")
        offending = names[-1]
    out = os.path.join(work, "bad.7z")
    r = run_tool("pack", win(case), win(out))
    check(r.returncode == 1 and offending in r.stderr, "%r: rc %d, %r" % (names, r.returncode, r.stderr))
    check(not os.path.exists(out) and not os.path.exists(out + ".part"), "%r: archive left" % names)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("ok")
