# Run in the guest once, while the image is built: creates the two Wine prefixes kept in
# the image (creating one costs about a minute under emulation).
#   /opt/orb/win64: 64-bit Windows running the 32-bit setup under WOW64 (the common case)
#   /opt/orb/win32: 32-bit Windows
set -e
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
aedebug='Microsoft\Windows NT\CurrentVersion\AeDebug'
for arch in win64 win32; do
  export WINEPREFIX=/opt/orb/$arch WINEARCH=$arch
  loader=/usr/lib/wine/wine64; [ $arch = win32 ] && loader=/usr/lib/wine/wine
  echo "creating the $arch prefix"
  # Under heavy load wineboot may report a failure of a helper although the prefix was
  # made: what counts is the prefix, checked below.
  "$loader" wineboot --init || echo "wineboot ended with $?"
  /usr/lib/wine/wineserver -w
  test -f "$WINEPREFIX/system.reg"
  # A crash must end the process, not open Wine's debugger dialog and wait for a click.
  views='HKLM\Software'
  [ $arch = win64 ] && views="$views HKLM\Software\Wow6432Node"
  for view in $views; do
    "$loader" reg add "$view\\$aedebug" /v Debugger /d false /f
    "$loader" reg add "$view\\$aedebug" /v Auto /d 1 /f
  done
  "$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
  /usr/lib/wine/wineserver -w
  test -f "$WINEPREFIX/system.reg"
done
# Both views exist in the 64-bit prefix, only one in the 32-bit one.
test -d "/opt/orb/win64/drive_c/windows/syswow64"
test ! -d "/opt/orb/win32/drive_c/windows/syswow64"
echo "prefixes ready"
