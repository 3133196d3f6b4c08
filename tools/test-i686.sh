#!/usr/bin/env bash
# usage: test-i686.sh <i686 build folder> [--all | ctest arguments...]
# Runs the i686 tier: the product's own 32-bit build under 32-bit Wine in a QEMU guest
# (this machine's kernel runs no 32-bit code). Without ctest arguments it runs the
# tests that differ by word size and platform (see guest/tier-i686.sh); with them, the
# chosen tests, e.g. `-R test_bridge`. --all runs every test program (label "program":
# the entries that check the build itself run on this machine only), about 25 minutes
# under emulation, with a time limit of an hour instead of half an hour. Builds the guest
# image on first use (see guest/image.sh). Skips, with exit code 0, only where no guest
# can run at all.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -ge 1 ] || { echo "usage: test-i686.sh <i686 build folder> [--all | ctest args...]" >&2; exit 2; }
build=$(cd "$1" && pwd); shift
limit=${ORB_TIER_TIMEOUT:-1800}
if [ "${1:-}" = --all ]; then
  shift
  set -- -L program "$@"
  limit=${ORB_TIER_TIMEOUT:-3600}
fi
if [ "$(uname -m)" != x86_64 ] || ! command -v qemu-system-x86_64 >/dev/null; then
  echo "i686 tier SKIPPED: this machine cannot run the x86_64 test guest (no qemu-system-x86_64)"
  exit 0
fi
case $build/ in "$top"/*) ;; *) echo "test-i686.sh: the build folder must lie inside $top" >&2; exit 2 ;; esac
[ -f "$build/tests/CTestTestfile.cmake" ] ||
  { echo "test-i686.sh: $build has no test programs (configure it with -DORB_BUILD_TESTS=ON)" >&2; exit 2; }
cd "$top"
start=$(date +%s)
set +e
tools/guest/run.sh --timeout "$limit" -- sh tools/guest/tier-i686.sh "$build" "$@"
rc=$?
set -e
echo "i686 tier time: $(( $(date +%s) - start )) s (screenshots: $build/tests/bin/artefacts)"
exit $rc
