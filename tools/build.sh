#!/usr/bin/env bash
# Configures and builds both targets: build/i686 (the product, with its test programs
# for the guest tier) and build/x64 (the test build, with the tests). Warnings in
# project code fail the build.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
cmake --no-warn-unused-cli -G Ninja -S . -B build/i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686.cmake -DORB_WERROR=ON \
      -DORB_BUILD_TESTS=ON >/dev/null
cmake --build build/i686
cmake --no-warn-unused-cli -G Ninja -S . -B build/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64.cmake -DORB_WERROR=ON \
      -DORB_BUILD_TESTS=ON >/dev/null
cmake --build build/x64
