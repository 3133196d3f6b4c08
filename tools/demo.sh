#!/usr/bin/env bash
# The main job: builds the product and the sample setup, then runs the sample setup
# on the silent road under Wine through the run driver, printing its log lines and exit
# code. (The i686 product cannot run on this machine's kernel; the x86_64 build of the
# same sources runs instead.)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/setup-machine.sh
tools/build.sh
echo "product setup (i686): build/i686/examples/setup.exe, $(stat -c %s build/i686/examples/setup.exe) bytes"
export WINEPREFIX="$top/build/x64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
set +e
/usr/lib/wine/wine64 build/x64/tools/orbrun/orbrun.exe build/x64/examples/setup.exe
rc=$?
set -e
echo "setup exit code: $rc"
