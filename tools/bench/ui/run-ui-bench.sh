#!/bin/sh
# Builds and runs the UI frame benchmark under wine64.
# Usage: tools/bench/ui/run-ui-bench.sh [build-dir]   (an x86_64 build with ORB_BUILD_TESTS=ON)
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/x64}
# Wine takes only an absolute WINEPREFIX: resolve a relative build folder first.
[ -d "$build" ] || { echo "no build folder: $build" >&2; exit 1; }
build=$(cd "$build" && pwd)
ninja -C "$build" -j1 bench_ui_frame >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
exec /usr/lib/wine/wine64 "$build/tests/bin/bench_ui_frame.exe"
