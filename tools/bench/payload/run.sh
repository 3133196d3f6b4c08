#!/bin/sh
# Extraction benchmark: Lua_UnCompress7z against the LZMA SDK's reference extractor
# (C/Util/7z/7zMain.c, same SDK sources, same x86_64 target) and 7-Zip's own console
# program for Windows (built from the same 7-Zip sources by build-7z-windows.sh, default
# threads and -mmt1), all under wine64, on a solid and a non-solid 100 MB archive; then
# Debian's native 7z as a second figure. The archives are made once per build folder.
# With --memory instead: the peak working set of Lua_UnCompress7z unpacking a 2 GB solid
# archive (made once, about 4 GB of disk while it is made), and 7-Zip's time on it.
# usage: tools/bench/payload/run.sh [x86_64 build folder with tests, default build/x64] [repetitions]
#        tools/bench/payload/run.sh --memory [x86_64 build folder]
set -e
here=$(cd "$(dirname "$0")" && pwd)
memory=
if [ "$1" = --memory ]; then memory=1; shift; fi
build=$(cd "${1:-build/x64}" && pwd)
reps=${2:-3}
work="$build/bench-payload"
mkdir -p "$work"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
bin="$build/tests/bin"
seven=$("$here/build-7z-windows.sh" "$build/bench-7zip")
ORB_BENCH_7ZIP="Z:$(echo "$seven" | tr / '\\')"
export ORB_BENCH_7ZIP
echo "machine load: $(uptime)"
if [ -n "$memory" ]; then
  if [ ! -f "$work/big.7z" ]; then
    rm -rf "$work/big"
    python3 "$here/make-payload.py" --big "$work/big"
    # The fastest LZMA2 setting; an explicit solid size, or 7z would cut 64 MB blocks.
    (cd "$work/big" && 7z a -t7z -bd -y -mx=1 -mmt=2 -ms=4g ../big.7z . >/dev/null)
    rm -rf "$work/big"
  fi
  ninja -C "$build" -j1 bench_payload >/dev/null
  /usr/lib/wine/wine64 "$bin/bench_payload.exe" --memory "Z:$work/big.7z" | tr -d '\r'
  exit
fi
if [ ! -f "$work/solid.7z" ] || [ ! -f "$work/nonsolid.7z" ]; then
  rm -rf "$work/data" "$work/solid.7z" "$work/nonsolid.7z"
  python3 "$here/make-payload.py" "$work/data"
  (cd "$work/data" && 7z a -t7z -bd -y -mx=5 ../solid.7z . >/dev/null)
  (cd "$work/data" && 7z a -t7z -bd -y -mx=5 -ms=off ../nonsolid.7z . >/dev/null)
  rm -rf "$work/data"
fi
ninja -C "$build" -j1 bench_payload orb_7zdec >/dev/null
# Nothing is deleted between timed runs (see bench_payload.cpp): Debian's native 7z goes
# first, one thread (the limit of this machine), each run into a folder of its own, the
# first untimed; its folders go after the other runs.
python3 - "$work" "$reps" > "$work/native.txt" <<'PY'
import subprocess, sys, time
work, reps = sys.argv[1], int(sys.argv[2])
for a in ("solid", "nonsolid"):
    best = None
    for i in range(reps + 1):
        t = time.monotonic()
        subprocess.run(["7z", "x", "-mmt=1", "-bd", "-y", "-o%s/native-%s%d" % (work, a, i), work + "/%s.7z" % a],
                       check=True, stdout=subprocess.DEVNULL)
        t = time.monotonic() - t
        if i:
            best = t if best is None else min(best, t)
    print(a, best)
PY
/usr/lib/wine/wine64 "$bin/bench_payload.exe" "$reps" "Z:$work/solid.7z" "Z:$work/nonsolid.7z" | tr -d '\r' \
  | tee "$work/bench.txt"
rm -rf "$work"/native-*
python3 - "$work" <<'PY'
import re, sys
work = sys.argv[1]
text = open(work + "/bench.txt").read()
for line in open(work + "/native.txt"):
    a, best = line.split()
    best = float(best)
    part = text[text.index("/%s.7z:" % a):]
    ours = float(re.search(r"Lua_UnCompress7z\s+best ([0-9.]+) s", part).group(1))
    print("%s.7z: native 7z x -mmt=1 best %.3f s; ratio native/Lua_UnCompress7z %.3f" % (a, best, best / ours))
PY
