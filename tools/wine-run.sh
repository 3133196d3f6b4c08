#!/usr/bin/env bash
# Runs a Windows test binary under wine64 with the build's private prefix, or under the
# loader named by ORB_WINE_LOADER (the guest's 32-bit Wine for the i686 tests).
# ORB_WINEPREFIX is set by the test driver; default: a prefix beside this build.
set -u
: "${WINEPREFIX:=${ORB_WINEPREFIX:-$PWD/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
exec "${ORB_WINE_LOADER:-/usr/lib/wine/wine64}" "$@"
