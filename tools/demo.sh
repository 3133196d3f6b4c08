#!/usr/bin/env bash
# The main job: builds the product and the sample product ORB Demo (examples/demo), then
# under Wine installs ORB Demo on the silent road (/S /D=...), prints the installed tree,
# the uninstall registry entry and the shortcuts, uninstalls it silently and shows that
# nothing is left. The i686 setup is what ships; this machine's Wine runs 64-bit programs
# only, so the x86_64 build of the same sources and scripts is the one that runs here.
# ORB_DEMO_X64 / ORB_DEMO_I686 name other, already built, build folders (no build then).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
x64=${ORB_DEMO_X64:-build/x64}
i686=${ORB_DEMO_I686:-build/i686}
if [ -z "${ORB_DEMO_X64:-}${ORB_DEMO_I686:-}" ]; then
  tools/setup-machine.sh
  tools/build.sh
fi

setup32=$i686/examples/demo/orbdemo-setup.exe
payload32=$i686/examples/demo/demo_setup.res/APP.7Z
setup=$x64/examples/demo/orbdemo-setup.exe
size=$(stat -c %s "$setup32")
psize=$(stat -c %s "$payload32")
echo
echo "== ORB Demo setup (i686, the product): $setup32"
echo "   $size bytes, of which the payload archive is $psize bytes ($(( psize * 100 / size )) %)"

# A Wine prefix of its own, so the run starts from a machine without ORB Demo.
export WINEPREFIX="$top/$x64/demo-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  $wine wineboot -i >/dev/null 2>&1 || true
fi
wineserver -p </dev/null >/dev/null 2>&1 &
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
sleep 0.5

drive_c="$WINEPREFIX/drive_c"
inst_win='C:\Apps\ORB Demo'
inst="$drive_c/Apps/ORB Demo"
logs="$top/$x64/demo-logs"
mkdir -p "$logs"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ORB Demo'
product_key='HKLM\Software\ORB Demo'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

# Runs a program through the run driver; its script log lines go to the screen, the
# whole debug output to a log file.
run() {
  local log=$1; shift
  set +e
  $wine "$x64/tools/orbrun/orbrun.exe" --timeout 300000 "$@" >"$logs/$log" 2>&1
  local rc=$?
  set -e
  grep -E '\[(setup|uninstall)\]|^msgbox|^exit code|^error' "$logs/$log" | sed 's/^log: xm //; s/^/   /' || true
  # The sample uses the standard exit codes: 0 installed, 3010 installed but a restart
  # is needed.
  [ $rc = 0 ] || [ $rc = 3010 ]
}

shortcuts() {
  find "$drive_c/users/Public/Desktop" "$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
       "$drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Internet Explorer/Quick Launch" \
       -iname '*orb demo*' 2>/dev/null | sed "s|$drive_c|C:|; s|/|\\\\|g" | sort || true
}

echo
echo "== silent install: orbdemo-setup.exe /S /D=$inst_win"
t0=$(now)
run install.log "$setup" /S "/D=$inst_win" || { echo "setup failed, see $logs/install.log"; exit 1; }
t1=$(now)
echo "   silent install took $(ms "$t0" "$t1") ms (wine64, whole run of the setup)"

echo
echo "== installed tree ($inst_win)"
(cd "$inst" && find . -type f -printf '%10s  %P\n' | sort -k2 | awk '
  { n++; s += $1; if ($2 !~ /^(data|help|gallery)\// || $2 ~ /(01|08|20)\./) print "   " $0; else skipped++ }
  END { if (skipped) print "   (" skipped " more sample files)"; print "   " n " files, " s " bytes" }')

echo
echo "== uninstall entry: $uninstall_key"
$wine reg query "$uninstall_key" 2>/dev/null | tr -d '\r' | sed -n 's/^    /   /p'
echo "== product key: $product_key"
$wine reg query "$product_key" 2>/dev/null | tr -d '\r' | sed -n 's/^    /   /p' | grep -v ' Files ' || true
echo "   Files    REG_EXPAND_SZ    (the uninstaller's list of $( $wine reg query "$product_key" /v Files 2>/dev/null | tr -d '\r' | grep -o '|' | wc -l | awk '{print $1 + 1}') installed files)"
echo "== Run value"
$wine reg query "$run_key" /v "ORB Demo" 2>/dev/null | tr -d '\r' | sed -n 's/^    /   /p'
echo "== shortcuts"
shortcuts | sed 's/^/   /'

echo
echo "== silent uninstall: \"$inst_win\\uninst.exe\" /S"
t0=$(now)
run uninstall.log "$inst/uninst.exe" /S || { echo "uninstall failed, see $logs/uninstall.log"; exit 1; }
t1=$(now)
echo "   silent uninstall took $(ms "$t0" "$t1") ms"

echo
echo "== what is left"
left=0
if [ -e "$inst" ]; then echo "   install folder still there:"; find "$inst" | sed 's/^/     /'; left=1
else echo "   install folder: gone"; fi
for k in "$uninstall_key" "$product_key"; do
  if $wine reg query "$k" >/dev/null 2>&1; then echo "   $k: still there"; left=1; else echo "   $k: gone"; fi
done
if $wine reg query "$run_key" /v "ORB Demo" >/dev/null 2>&1; then echo "   Run value: still there"; left=1
else echo "   Run value: gone"; fi
s=$(shortcuts)
if [ -n "$s" ]; then echo "   shortcuts still there:"; echo "$s" | sed 's/^/     /'; left=1; else echo "   shortcuts: gone"; fi
echo "   (the uninstaller moved its own running image to the temp folder, to be deleted at the next restart)"
echo
echo "logs: $logs/install.log, $logs/uninstall.log"
if [ $left = 0 ]; then echo "== nothing left: OK"; else echo "== something was left"; exit 1; fi
