#!/usr/bin/env bash
# Builds the product (i686) and the test build (x86_64) and runs the whole test suite
# under Wine. Installs what it needs first; safe to run again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/setup-machine.sh
tools/build.sh
exec xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh build/x64
