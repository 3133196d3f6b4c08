#!/usr/bin/env bash
# usage: tools/skin/preview-docs.sh [x64 build folder]
# Renders the dialogs of the sample product with its layout preview under wine64 into
# docs/images/demo-*.png. The Wine prefix maps the skin's Chinese font names to an
# installed CJK font (fonts-wqy-microhei), as a Chinese Windows would render them.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
preview="$build/examples/demo/orbdemo-setup-preview.exe"
[ -f "$preview" ] || cmake --build "$build" --target demo_setup_preview
export WINEPREFIX="$build/preview-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
[ -f "$WINEPREFIX/system.reg" ] || $wine wineboot -i >/dev/null 2>&1 || true
reg=$(mktemp --suffix .reg)
trap 'rm -f "$reg"; wineserver -k >/dev/null 2>&1 || true' EXIT
/usr/bin/python3 - "$reg" <<'PY'
import sys
text = ('Windows Registry Editor Version 5.00\r\n\r\n'
        '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        '"\u5b8b\u4f53"="WenQuanYi Micro Hei"\r\n"SimSun"="WenQuanYi Micro Hei"\r\n\r\n')
open(sys.argv[1], 'wb').write(b'\xff\xfe' + text.encode('utf-16-le'))
PY
$wine regedit /S "$(winepath -w "$reg" 2>/dev/null || echo "Z:$reg")" </dev/null >/dev/null 2>&1
wineserver -k >/dev/null 2>&1 || true   # the font replacements are read at start-up
for pair in InitDlg:init InstallDlg:install CompleteDlg:complete UpdateInstallDlg:update InfoTipDlg:infotip; do
  out="$top/docs/images/demo-${pair#*:}.png"
  xvfb-run -a $wine "$preview" --globals "${pair%%:*}" "Z:$out" </dev/null >/dev/null 2>&1
  echo "$out"
done
