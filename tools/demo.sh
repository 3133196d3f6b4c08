#!/usr/bin/env bash
# The main job: builds what the sample product ORB Demo (examples/demo) needs — the stubs,
# orbpack, the run driver, the sample's program, skin and payload, no test programs —
# packs the sample with orbpack, then under Wine installs it on the silent road
# (/S /D=...), prints the installed tree, the uninstall registry entry and the shortcuts,
# uninstalls it silently and shows that nothing is left. The i686 setup is what ships;
# this machine's Wine runs 64-bit programs only, so the x86_64 setup, packed from the
# same product folder on the x86_64 stub, is the one that runs here. Prints how long each
# step took. Build folders: build/demo-x64 and build/demo-i686 (the test command builds
# build/x64 and build/i686 with everything). The builds are the long step: on a fresh
# 2-core machine 63 s of 89 s in all, packages included (256 s in all at load 4-6).
# ORB_DEMO_NO_SETUP=1 skips the package check (a machine already set up).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
x64=build/demo-x64
i686=build/demo-i686

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }
steps=()
t_all=$(now)
step_t=$t_all
# Closes the step begun at the previous call: step <what>.
step() { local t; t=$(now); steps+=("$(printf '%8.1f s  %s' "$(echo "$(ms "$step_t" "$t")" | awk '{print $1 / 1000}')" "$1")"); step_t=$t; }

if [ "${ORB_DEMO_NO_SETUP:-}" != 1 ]; then
  tools/setup-machine.sh --demo
  step "packages and third-party sources (tools/setup-machine.sh --demo)"
fi

# A Wine prefix of its own, so the run starts from a machine without ORB Demo; made while
# the builds run (it waits on disk more than on the processors).
export WINEPREFIX="$top/$x64/demo-wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
mkdir -p "$x64"
prefix_pid=
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix $WINEPREFIX (beside the builds)"
  ( $wine wineboot -i >/dev/null 2>&1 || true ) &
  prefix_pid=$!
fi

# Release builds without tests, only the targets the demo needs, both targets side by
# side (configuring and linking leave processors idle); the i686 build's output goes to
# a log file.
configure() {
  cmake --no-warn-unused-cli -G Ninja -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$2.cmake" \
        -DORB_WERROR=ON -DORB_BUILD_TESTS=OFF >/dev/null
}
echo "== building $x64 (the x86_64 stub, orbpack for this machine, the run driver, the sample's"
echo "   files) and $i686 (the i686 stub, the one that ships, and the sample's files)"
mkdir -p "$i686"
( configure "$i686" i686 && cmake --build "$i686" --target orb_stub demo_skin demo_payload ) \
  >"$i686/demo-build.log" 2>&1 &
i686_pid=$!
configure "$x64" x86_64
cmake --build "$x64" --target orb_stub orbpack_native orbrun demo_skin demo_payload
wait $i686_pid || { tail -n 30 "$i686/demo-build.log"; echo "the i686 build failed, see $i686/demo-build.log"; exit 1; }
step "builds: stubs, orbpack, orbrun, the sample's files ($x64 and $i686 side by side)"

# One product folder per target (the payload holds that target's program), packed by orbpack.
orbpack=$x64/orbpack-native/orbpack
pack() {
  local build=$1 arch=$2
  cmake -DOUT="$build/demo-product" -DDEMO=examples/demo -DTEMPLATE=examples/template \
        -DSKIN="$build/examples/demo/skin" -DPAYLOAD="$build/examples/demo/payload" \
        -DDESCRIPTION=examples/demo/product.lua -P examples/demo/assemble-product.cmake
  mkdir -p "$build/packed"
  "$orbpack" --stub "$build/stub/orbstub-$arch.exe" -o "$build/packed" "$build/demo-product"
}
pack "$i686" i686
pack "$x64" x86_64
step "packing the sample with orbpack (i686 and x86_64)"

setup32=$i686/packed/orbdemo-setup.exe
setup=$x64/packed/orbdemo-setup.exe
size=$(stat -c %s "$setup32")
psize=$("$orbpack" --list "$setup32" | awk '$1 == "_7Z" && $2 == "APP.7Z" { print $4 }')
usize=$(stat -c %s "$i686/packed/uninst.exe")
echo
echo "== ORB Demo setup (i686, the product): $setup32"
echo "   $size bytes, of which the payload archive is $psize bytes ($(( psize * 100 / size )) %);"
echo "   its uninstaller (the stub with the uninstall script) is $usize bytes"

if [ -n "$prefix_pid" ]; then
  wait "$prefix_pid"
  step "Wine prefix (the rest of making it after the builds)"
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
step "silent install"

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
step_t=$(now)
t0=$step_t
run uninstall.log "$inst/uninst.exe" /S || { echo "uninstall failed, see $logs/uninstall.log"; exit 1; }
t1=$(now)
echo "   silent uninstall took $(ms "$t0" "$t1") ms"
step "silent uninstall"

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
echo
echo "== time per step"
printf '%s\n' "${steps[@]}"
printf '%8.1f s  %s\n' "$(echo "$(ms "$t_all" "$(now)")" | awk '{print $1 / 1000}')" "in all"
if [ $left = 0 ]; then echo "== nothing left: OK"; else echo "== something was left"; exit 1; fi
