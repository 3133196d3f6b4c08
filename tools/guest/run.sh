#!/usr/bin/env bash
# usage: run.sh [--prefix win64|win32] [--timeout seconds] [--log file] [--] command [args...]
# Runs a command in the test guest (Debian with 32-bit Wine, see image.sh), in the
# folder it was called from. The repository is shared with the guest at the same path,
# so build folders and test artefacts are read and written in place. The guest boots
# from the cached image through a throw-away overlay: nothing it does outside the
# repository survives the run. The command finds WINEPREFIX set to the chosen prefix
# (win64: a 32-bit program on 64-bit Windows, the default; win32: 32-bit Windows),
# ORB_WINE_LOADER set to the guest's 32-bit Wine, an X display (Xvfb) and the host's
# GTEST_FILTER, if any.
# Exit code: the command's; 124 when the time limit (default 1800 s) ended the guest,
# 125 when the guest ended without an exit code. The serial console is kept in the log
# file (default: a file in the temporary folder, named on failure).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=qemu.sh
. "$here/qemu.sh"

prefix=win64 limit=1800 log=""
while [ $# -gt 0 ]; do
  case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --timeout) limit=$2; shift 2 ;;
    --log) log=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || { echo "usage: run.sh [--prefix win64|win32] [--timeout s] [--log file] command..." >&2; exit 2; }
case $prefix in win64|win32) ;; *) echo "run.sh: --prefix must be win64 or win32" >&2; exit 2 ;; esac
case $PWD/ in "$top"/*) ;; *) echo "run.sh: run it from inside $top (shared with the guest)" >&2; exit 2 ;; esac

img=$("$here/image.sh")
job=$(mktemp -d "${TMPDIR:-/tmp}/orb-guest.XXXXXX")
trap 'rm -rf "$job"' EXIT
[ -n "$log" ] || log="$job/console.log"

{
  echo "export WINEPREFIX=/opt/orb/$prefix WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='"
  echo "export ORB_WINE_LOADER=/usr/lib/wine/wine ORB_GUEST=1"
  # A test filter given on the host applies in the guest too.
  [ -z "${GTEST_FILTER:-}" ] || echo "export GTEST_FILTER=$(printf '%q' "$GTEST_FILTER")"
  echo "mkdir -p '$top' && mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=loose top '$top' || exit 125"
  echo "cd '$PWD' || exit 125"
  # The guest has no network, but tests serve files on 127.0.0.1: the loopback device
  # comes up here (SIOCSIFFLAGS with IFF_UP, IFF_LOOPBACK and IFF_RUNNING; perl-base is
  # in every Debian system, iproute2 is not).
  echo "perl -e 'my \$r = pack(\"Z16 s x22\", \"lo\", 0x49); socket(S, 2, 2, 0) && ioctl(S, 0x8914, \$r) || exit 1' || echo 'orb-guest: loopback not up' >&2"
  # One Xvfb and one wineserver for the whole job, as on the host.
  echo "Xvfb :9 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & export DISPLAY=:9"
  echo "/usr/lib/wine/wineserver -p"
  echo "\$ORB_WINE_LOADER wineboot -u >/dev/null 2>&1 </dev/null"
  printf '%q ' "$@"; echo
  echo "rc=\$?; /usr/lib/wine/wineserver -k 2>/dev/null; sync; exit \$rc"
} >"$job/job.sh"

qemu-img create -q -f qcow2 -b "$img/rootfs.raw" -F raw "$job/overlay.qcow2"
: >"$log"
tail -n +1 -f "$log" &
tailer=$!
t0=$(date +%s)
set +e
orb_guest_boot "$img" "file=$job/overlay.qcow2,format=qcow2" "$job" "$limit" "$log" "$top"
rc=$?
set -e
sleep 0.3
kill "$tailer" 2>/dev/null || true
wait "$tailer" 2>/dev/null || true
case $rc in
  124) echo "run.sh: the guest was stopped after the time limit of $limit s" >&2 ;;
  125) echo "run.sh: the guest ended without an exit code" >&2 ;;
esac
echo "guest time: $(( $(date +%s) - t0 )) s" >&2
if [ $rc != 0 ] && [ "$log" = "$job/console.log" ]; then
  cp "$log" "${TMPDIR:-/tmp}/orb-guest-console.log"
  echo "run.sh: serial console kept in ${TMPDIR:-/tmp}/orb-guest-console.log" >&2
fi
exit $rc
