#!/usr/bin/env bash
# Builds the product (i686) and the test build (x86_64), runs the whole test suite
# under Wine, then the i686 tier in the 32-bit guest. Installs what it needs first;
# safe to run again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/setup-machine.sh
tools/build.sh
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh build/x64
x64=$?
tools/test-i686.sh build/i686
i686=$?
echo "x86_64 suite: $([ $x64 = 0 ] && echo passed || echo FAILED), i686 tier: $([ $i686 = 0 ] && echo passed || echo FAILED)"
[ $x64 = 0 ] && [ $i686 = 0 ]
