#!/usr/bin/env bash
# Installs the build and test prerequisites on Debian 12 and fetches the third-party
# sources into .cache/ (ignored by git). Safe to run again: it skips what is present.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cache="$top/.cache"
mkdir -p "$cache"

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

# --demo: only what tools/demo.sh needs (the stubs, orbpack, the run driver, the sample
# packed by orbpack, one silent run under Wine); without it, everything the test suite
# and the 32-bit guest tier need as well.
demo=0
if [ "${1:-}" = --demo ]; then demo=1; fi
# g++: orbpack is also built for this machine (the packer the builds run).
pkgs=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix g++ cmake ninja-build wine wine64
      p7zip-full dpkg-dev python3 python3-pil fonts-dejavu-core)
if [ $demo = 0 ]; then
  pkgs+=(xvfb xauth gcc-multilib qemu-user-static googletest fonts-wqy-microhei osslsigncode openssl
         qemu-system-x86 qemu-utils debootstrap e2fsprogs locales)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

srcs=/etc/apt/sources.list.d/debian-src.sources
need_update=0
if ! grep -rqs '^Types: deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  mirror=$("$top/tools/apt-mirror.sh")
  $SUDO tee "$srcs" >/dev/null <<X
Types: deb-src
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
X
  need_update=1
fi

have_sources() {
  ls "$cache"/lua5.2_5.2.4.orig.tar.gz "$cache"/pugixml_1.13.orig.tar.gz \
     "$cache"/7zip_*.orig.tar.xz >/dev/null 2>&1
}

if [ ${#missing[@]} -gt 0 ] || ! have_sources; then need_update=1; fi
if [ $need_update = 1 ]; then $SUDO apt-get update -qq; fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Wine takes the display language from the locale of its process: the tests run the
# sample with an English and a Chinese one.
if [ $demo = 0 ]; then
  for l in en_US zh_CN; do
    locale -a 2>/dev/null | grep -qix "$l.utf-\?8" || $SUDO localedef -i "$l" -f UTF-8 "$l.UTF-8"
  done
fi

if ! have_sources; then
  (cd "$cache" && apt-get source --download-only lua5.2 pugixml 7zip >/dev/null)
fi

# Pristine upstream trees only: the Debian-patched Lua includes a multiarch header.
src="$cache/src"
mkdir -p "$src"
[ -f "$src/lua-5.2.4/src/lua.h" ] || { rm -rf "$src/lua-5.2.4" "$src/lua5.2-5.2.4";
  tar -C "$src" -xzf "$cache"/lua5.2_5.2.4.orig.tar.gz;
  [ -d "$src/lua5.2-5.2.4" ] && mv "$src/lua5.2-5.2.4" "$src/lua-5.2.4"; true; }
[ -f "$src/pugixml-1.13/src/pugixml.cpp" ] || { rm -rf "$src/pugixml-1.13";
  tar -C "$src" -xzf "$cache"/pugixml_1.13.orig.tar.gz; }
if [ ! -f "$src/7zip/C/7zArcIn.c" ]; then
  rm -rf "$src/7zip" "$src/7zip.tmp"; mkdir -p "$src/7zip.tmp"
  tar -C "$src/7zip.tmp" -xJf "$cache"/7zip_*.orig.tar.xz
  inner=$(dirname "$(find "$src/7zip.tmp" -path '*/C/7zArcIn.c' | head -n 1)")
  mv "$(dirname "$inner")" "$src/7zip"; rm -rf "$src/7zip.tmp"
fi
echo "third-party sources ready in $src"
