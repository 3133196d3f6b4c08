#!/usr/bin/env bash
# Builds the product (i686) and the test build (x86_64), runs the whole test suite
# under Wine and the i686 tier in the 32-bit guest. Installs what it needs first; safe
# to run again.
#
# The guest side (its image on first use, then the tier) needs only build/i686 and
# keeps the emulator busy, while the x86_64 suite mostly waits on windows and child
# processes: the two run side by side, and the tier's output is printed after the
# suite's.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
tools/setup-machine.sh
tools/build.sh i686

start=$(date +%s)
tier_log=build/i686-tier.log
rm -f "$tier_log" "$tier_log.rc"
# Its own process group, so that a failed x86_64 build or an interrupt stops the guest too.
set -m
( tools/test-i686.sh build/i686 >"$tier_log" 2>&1; echo $? >"$tier_log.rc" ) </dev/null &
tier=$!
set +m
trap 'kill -- -$tier 2>/dev/null || true' EXIT
echo "i686 tier started beside the x86_64 build and suite (output: $tier_log)"

tools/build.sh x64
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh build/x64
x64=$?
wait "$tier"
trap - EXIT
i686=$(cat "$tier_log.rc" 2>/dev/null || echo 1)
echo "== i686 tier ($tier_log)"
cat "$tier_log"
echo "x86_64 suite: $([ $x64 = 0 ] && echo passed || echo FAILED), i686 tier: $([ "$i686" = 0 ] && echo passed || echo FAILED)" \
     "($(( $(date +%s) - start )) s side by side)"
[ $x64 = 0 ] && [ "$i686" = 0 ]
