#!/usr/bin/env bash
# usage: run-tests.sh <x64 build folder> [ctest arguments...]
# Runs ctest with one persistent wineserver for the build's private prefix.
set -uo pipefail
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
fi
wineserver -p </dev/null >/dev/null 2>&1 &
sleep 0.5
start=$(date +%s)
ctest --test-dir "$build" --output-on-failure "$@"
rc=$?
echo "test suite time: $(( $(date +%s) - start )) s"
wineserver -k >/dev/null 2>&1 || true
exit $rc
