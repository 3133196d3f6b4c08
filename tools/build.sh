#!/usr/bin/env bash
# usage: build.sh [i686] [x64]
# Configures and builds both targets, or the ones named: build/i686 (the product, with
# its test programs for the guest tier) and build/x64 (the test build, with the tests).
# Warnings in project code fail the build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
[ $# -gt 0 ] || set -- i686 x64
for t in "$@"; do
  case $t in
    i686) tc=cmake/toolchain-i686.cmake ;;
    x64) tc=cmake/toolchain-x86_64.cmake ;;
    *) echo "usage: build.sh [i686] [x64]" >&2; exit 2 ;;
  esac
  cmake --no-warn-unused-cli -G Ninja -S . -B "build/$t" -DCMAKE_TOOLCHAIN_FILE="$tc" -DORB_WERROR=ON \
        -DORB_BUILD_TESTS=ON >/dev/null
  cmake --build "build/$t"
done
