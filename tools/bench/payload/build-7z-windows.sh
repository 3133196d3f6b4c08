#!/bin/sh
# Builds 7-Zip's own console program for Windows x86_64 (7zr.exe, the 7z-only console
# bundle CPP/7zip/Bundles/Alone7z) with MinGW from the 7-Zip sources in .cache/src/7zip,
# the peer that runs beside Lua_UnCompress7z under the same wine64. The C decoder only
# (no assembler: the build machine has none for Windows objects); built once per folder.
# usage: tools/bench/payload/build-7z-windows.sh <output folder>   (prints the program's path)
set -e
top=$(cd "$(dirname "$0")/../../.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
src="$top/.cache/src/7zip/CPP/7zip/Bundles/Alone7z"
[ -d "$src" ] || { echo "build-7z-windows: $src is missing: run tools/setup-machine.sh" >&2; exit 1; }
if [ ! -f "$out/7zr.exe" ]; then
  # IS_MINGW / MSYSTEM: the Windows program with Unix shell commands; no -Werror for a
  # compiler newer or older than the one its authors used.
  make -C "$src" -f ../../cmpl_gcc_x64.mak -j2 O="$out" IS_MINGW=1 MSYSTEM=1 USE_ASM= \
       CC=x86_64-w64-mingw32-gcc-posix CXX=x86_64-w64-mingw32-g++-posix RC=x86_64-w64-mingw32-windres \
       CFLAGS_WARN_WALL= >"$out/build.log" 2>&1 || { tail -n 20 "$out/build.log" >&2; exit 1; }
fi
echo "$out/7zr.exe"
