#!/bin/sh
# Extraction benchmark: Lua_UnCompress7z against the LZMA SDK's reference extractor
# (C/Util/7z/7zMain.c, same SDK sources, same x86_64 target), both under wine64, on a
# solid and a non-solid 100 MB archive. The archives are made once per build folder.
# With --memory instead: the peak working set of Lua_UnCompress7z unpacking a 2 GB solid
# archive (made once, about 4 GB of disk while it is made).
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
/usr/lib/wine/wine64 "$bin/bench_payload.exe" "$reps" "Z:$work/solid.7z" "Z:$work/nonsolid.7z" | tr -d '\r' \
  | tee "$work/bench.txt"
# Debian's native 7z on the same archives, one thread: the limit of this machine.
python3 - "$work" "$reps" <<'PY'
import re, shutil, subprocess, sys, time
work, reps = sys.argv[1], int(sys.argv[2])
text = open(work + "/bench.txt").read()
for a in ("solid", "nonsolid"):
    best = None
    for _ in range(reps):
        shutil.rmtree(work + "/native", ignore_errors=True)
        t = time.monotonic()
        subprocess.run(["7z", "x", "-mmt=1", "-bd", "-y", "-o" + work + "/native", work + "/%s.7z" % a],
                       check=True, stdout=subprocess.DEVNULL)
        t = time.monotonic() - t
        best = t if best is None else min(best, t)
    shutil.rmtree(work + "/native", ignore_errors=True)
    part = text[text.index("/%s.7z:" % a):]
    ours = float(re.search(r"Lua_UnCompress7z\s+best ([0-9.]+) s", part).group(1))
    print("%s.7z: native 7z x -mmt=1 best %.3f s; ratio native/Lua_UnCompress7z %.3f" % (a, best, best / ours))
PY
