#!/usr/bin/env bash
# usage: run-tests.sh <x64 build folder> [ctest arguments...]
# Runs ctest with one persistent wineserver for the build's private prefix.
set -uo pipefail
build=$(cd "$1" && pwd); shift
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver -p </dev/null >/dev/null 2>&1 &
sleep 0.5
# Create or refresh the prefix and start Wine's background services now, with no
# terminal: services started by the first test would inherit ctest's output pipe and
# keep it open after the test ends.
/usr/lib/wine/wine64 wineboot -u </dev/null >/dev/null 2>&1 || true
start=$(date +%s)
ctest --test-dir "$build" --output-on-failure "$@"
rc=$?
echo "test suite time: $(( $(date +%s) - start )) s"
wineserver -k >/dev/null 2>&1 || true
exit $rc
