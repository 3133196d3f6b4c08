#!/usr/bin/env bash
# usage: tools/skin/preview-docs.sh [x64 build folder]
# Renders the dialogs of the sample product with its layout preview under wine64 into
# docs/images/demo-*.png, with the English texts the sample's install script publishes
# for the layout. The Wine prefix maps the skin's Chinese font names to an installed CJK
# font (fonts-wqy-microhei), as a Chinese Windows would render them.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/x64}" && pwd)
preview="$build/examples/demo/orbdemo-setup-preview.exe"
[ -f "$preview" ] || cmake --build "$build" --target demo_setup_orbpack
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
# The English table of LAYOUT_TEXTS in the install script, as --set name=value words.
mapfile -t texts < <(/usr/bin/python3 - "$top/examples/template/INSTSCRIPT.lua" "$top/examples/demo/GLOBAL_VAR.lua" <<'PY'
import re, sys
script, globals_ = (open(f, encoding="utf-8").read() for f in sys.argv[1:3])
product = re.search(r'global_product_name\s*=\s*"([^"]*)"', globals_).group(1)
table = re.search(r"LAYOUT_TEXTS = \{.*?\n  en = \{(.*?)\n  \},", script, re.S).group(1)
for name, value in re.findall(r'^\s*(\w+) = (.*?),?$', table, re.M):
    value = value.replace('.. global_product_name', '.. "%s"' % product)
    print("--set")
    print(name + "=" + "".join(re.findall(r'"([^"]*)"', value)))
PY
)
for pair in InitDlg:init InstallDlg:install CompleteDlg:complete UpdateInstallDlg:update InfoTipDlg:infotip; do
  out="$top/docs/images/demo-${pair#*:}.png"
  xvfb-run -a $wine "$preview" --globals "${texts[@]}" "${pair%%:*}" "Z:$out" </dev/null >/dev/null 2>&1
  echo "$out"
done
