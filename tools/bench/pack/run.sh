#!/bin/sh
# Compression benchmark: the packer's 7z writer against Debian's `7z a -mx=5 -mmt=1` on
# the payload benchmark's data (about 100 MB, made once per build folder). The writer
# runs natively (built here from tools/bench/pack) and, when the x86_64 build has
# bench_pack.exe, under wine64 too. Prints wall and CPU seconds, sizes and the ratios
# ours / 7z (below 1: ours is faster). On a shared machine the CPU ratio is the steadier.
# usage: tools/bench/pack/run.sh [x86_64 build folder, default build/x64]
set -e
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "${1:-build/x64}"
build=$(cd "${1:-build/x64}" && pwd)
work="$build/bench-pack"
mkdir -p "$work"
if [ ! -d "$work/data" ]; then
  python3 "$here/../payload/make-payload.py" "$work/data.tmp"
  mv "$work/data.tmp" "$work/data"
fi
cmake -S "$here" -B "$work/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$work/native" bench_pack >/dev/null

rm -f "$work/ref.7z"
# 7z's own user+system time, from the shell's times for its children.
ref=$( (cd "$work/data" && /usr/bin/time -f "%e %U %S" 7z a -t7z -bd -y -mx=5 -mmt=1 ../ref.7z . >/dev/null) 2>&1 | tail -1)
ref_wall=$(echo "$ref" | cut -d' ' -f1)
ref_cpu=$(echo "$ref" | awk '{print $2 + $3}')
ref_size=$(stat -c %s "$work/ref.7z")
echo "7z a -mx=5 -mmt=1:  ${ref_wall} s wall, ${ref_cpu} s cpu, ${ref_size} bytes"

report() {
  set -- $2 "$1"
  echo "$4: $1 s wall, $2 s cpu, $3 bytes; ours/7z: wall $(echo "$1 $ref_wall" | awk '{printf "%.2f", $1/$2}'), cpu $(echo "$2 $ref_cpu" | awk '{printf "%.2f", $1/$2}'), size $(echo "$3 $ref_size" | awk '{printf "%.3f", $1/$2}')"
}
rm -f "$work/ours.7z"
report "packer (native)    " "$("$work/native/bench_pack" "$work/data" "$work/ours.7z")"
exe="$build/tests/bin/bench_pack.exe"
if [ -f "$exe" ]; then
  rm -f "$work/ours.7z"
  export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
  report "packer (wine64)    " "$(/usr/lib/wine/wine64 "$exe" "Z:$work/data" "Z:$work/ours.7z" | tr -d '\r')"
fi
