#!/bin/sh
# usage (inside the guest, through tools/test-i686.sh): tier-i686.sh <i686 build> [ctest args...]
# Runs the i686 test programs under 32-bit Wine. With ctest arguments: exactly those,
# in the 64-bit prefix. Without: the tier, the tests whose outcome depends on the word
# size or the platform:
#   64-bit prefix (a 32-bit setup on 64-bit Windows, WOW64):
#     test_bridge    native calls into an i686 DLL: every argument count in both
#                    conventions, wrong flags and counts, numbers to 2^32-1, 4-byte pointers
#     test_types     the script types' accessors at every width, 4-byte pointer fields
#     test_payload   payload extraction (7z decoder, 32-bit sizes and offsets)
#     test_registry  registry functions in the 32-bit view, RegSvr32 of i686 DLLs
#     test_textbox   the text services called through their member-function convention
#     test_demo      the sample: silent install/uninstall, its uninstall entry under
#                    WOW6432Node, the interactive road with screenshots (two cases)
#     test_dialogs   typing into a text box through the run driver (one case)
#     test_lifecycle upgrade, downgrade refused, repair; failed installs rolled back
#     test_scope     per-user install and uninstall that write nothing machine-wide, a
#                    64-bit product in the native folders and view (WOW64)
#   32-bit prefix (32-bit Windows): test_bridge and test_registry again.
set -u
build=$1; shift
if [ $# -gt 0 ]; then
  ctest --test-dir "$build" --output-on-failure "$@"
  exit $?
fi
rc=0
# one <program> [gtest filter]: one test program through ctest, optionally a part of it.
one() {
  GTEST_FILTER=${2:-*} ctest --test-dir "$build" --output-on-failure -R "^$1\$" || rc=1
}
one test_bridge
one test_types
one test_payload
one test_registry
one test_textbox
one test_demo 'Demo.SilentInstallThenSilentUninstallLeavesNothing:Demo.InteractiveInstallAndUninstallThroughTheDialogs'
one test_dialogs 'Dialogs.TypedRelativeBackupPathIsRejected'
one test_lifecycle 'Lifecycle.UpgradeRefusedDowngradeAllowedDowngradeAndRepair:Lifecycle.FailedInstallsLeaveEverythingAsItWas'
one test_scope 'PerUser.InstallAndUninstallWriteNothingMachineWide:SixtyFourBit.*'

/usr/lib/wine/wineserver -k 2>/dev/null
export WINEPREFIX=/opt/orb/win32
/usr/lib/wine/wineserver -p
"$ORB_WINE_LOADER" wineboot -u >/dev/null 2>&1 </dev/null
echo "32-bit Windows prefix:"
one test_bridge
one test_registry
exit $rc
