#!/usr/bin/env bash
# Runs a Windows test binary under wine64 with the build's private prefix.
# ORB_WINEPREFIX is set by the test driver; default: a prefix beside this build.
set -u
: "${WINEPREFIX:=${ORB_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec /usr/lib/wine/wine64 "$@"
