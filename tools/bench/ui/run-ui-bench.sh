#!/bin/sh
# Builds and runs the UI benchmarks under wine64 (on a virtual screen when there is no
# display): frame cost against the floor at 100 % and 200 %, then first frame against
# the floor program.
# Usage: tools/bench/ui/run-ui-bench.sh [build-dir] [frame|first|all] [runs]
#   build-dir: an x86_64 build with ORB_BUILD_TESTS=ON (default build/x64)
#   runs: frame: rounds (default 15); first: starts of each program (default 15)
set -e
root=$(cd "$(dirname "$0")/../../.." && pwd)
build=${1:-$root/build/x64}
what=${2:-all}
runs=${3:-15}
# Wine takes only an absolute WINEPREFIX: resolve a relative build folder first.
[ -d "$build" ] || { echo "no build folder: $build" >&2; exit 1; }
build=$(cd "$build" && pwd)
if [ -z "$DISPLAY" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$what" "$runs"
fi
ninja -C "$build" -j2 bench_ui_frame bench_ui_first bench_ui_floor dlg_full_orbpack demo_setup_orbpack >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine=/usr/lib/wine/wine64
# One server for every program of the run (as the test driver does), made ready first:
# a server or prefix update started by a measured program would be charged to it.
wineserver -p </dev/null >/dev/null 2>&1 &
sleep 0.5
"$wine" wineboot -u </dev/null >/dev/null 2>&1 || true
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) at $(date -u +%H:%M) UTC"
rc=0
if [ "$what" = frame ] || [ "$what" = all ]; then
  "$wine" "$build/tests/bin/bench_ui_frame.exe" "$runs" || rc=1
fi
if [ "$what" = first ] || [ "$what" = all ]; then
  bin=$(winepath -w "$build/tests/bin" 2>/dev/null)
  demo=$(winepath -w "$build/examples/demo/orbdemo-setup.exe" 2>/dev/null)
  "$wine" "$build/tests/bin/bench_ui_first.exe" "$runs" --timeline 3 "$bin\\bench_ui_floor.exe" \
    "$bin\\dlg_full.exe" "$demo" || rc=1
fi
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
wineserver -k >/dev/null 2>&1 || true
exit $rc
