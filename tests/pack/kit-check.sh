#!/usr/bin/env bash
# The kit as a vendor uses it: unpack, a new product from the template, pack it for
# both targets, then install and uninstall the x86_64 setup silently under wine64 with
# the kit's run driver.
#   kit-check.sh <source folder> <work folder> <i686 build> <x64 build>
set -euo pipefail
src=$1 work=$2 i686=$3 x64=$4
rm -rf "$work"; mkdir -p "$work"
ORB_KIT_I686=$i686 ORB_KIT_X64=$x64 "$src/tools/make-kit.sh" -o "$work/dist" >"$work/kits"
tar -C "$work" -xzf "$(sed -n 1p "$work/kits")"
/usr/bin/python3 -m zipfile -e "$(sed -n 2p "$work/kits")" "$work/win"
kit=$(echo "$work"/orb-installer-*-linux-x86_64)
for f in bin/orbpack bin/orbstub-i686.exe bin/orbstub-x86_64.exe bin/orbpreview-i686.exe bin/orbrun.exe template/product.lua \
         template/images/301.png template/modules/cmdline.lua docs/orbpack.md; do
  [ -f "$kit/$f" ] || { echo "linux kit lacks $f"; exit 1; }
done
[ -f "$work"/win/orb-installer-*-windows/bin/orbpack.exe ] || { echo "windows kit lacks orbpack.exe"; exit 1; }

# The template as shipped is refused: every product made from it would share its GUID.
if "$kit/bin/orbpack" -o "$work" "$kit/template" 2>"$work/err"; then echo "the template itself was packed"; exit 1; fi
grep -q "global_install_mutex_guid is the template's" "$work/err" || { cat "$work/err"; exit 1; }
"$kit/bin/orbpack" --new "$work/myproduct"
"$kit/bin/orbpack" --new "$work/second"
a=$(grep '^global_install_mutex_guid' "$work/myproduct/GLOBAL_VAR.lua")
b=$(grep '^global_install_mutex_guid' "$work/second/GLOBAL_VAR.lua")
[[ $a =~ \{[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\} ]] || { echo "no new GUID: $a"; exit 1; }
[ "$a" != "$b" ] || { echo "two new products share $a"; exit 1; }
if "$kit/bin/orbpack" --new "$work/myproduct" 2>/dev/null; then echo "--new wrote over a product"; exit 1; fi

mkdir -p "$work/out32" "$work/out64"
"$kit/bin/orbpack" -o "$work/out32" "$work/myproduct"
"$kit/bin/orbpack" --target x86_64 -o "$work/out64" "$work/myproduct"
"$kit/bin/orbpack" --list "$work/out32/my-product-setup.exe" | grep -q '^_7Z UNINST.7Z ' || { echo "no uninstaller"; exit 1; }
mkdir -p "$work/preview"
"$kit/bin/orbpack" --target x86_64 --preview "$kit/bin/orbpreview-x86_64.exe" -o "$work/preview" "$work/myproduct"

wine=/usr/lib/wine/wine64
# orbpack.exe makes a new product the same way under Windows (the x86_64 build stands in
# for the kit's 32-bit one, which this machine's Wine cannot run).
z() { echo "Z:${1//\//\\}"; }
"$wine" "$x64/tools/orbpack/orbpack.exe" --new "$(z "$work/winproduct")" --template "$(z "$kit/template")"
w=$(grep '^global_install_mutex_guid' "$work/winproduct/GLOBAL_VAR.lua")
[ -f "$work/winproduct/modules/cmdline.lua" ] && [ "$w" != "$a" ] && [[ $w != *D2A65F1C* ]] ||
  { echo "orbpack.exe --new: no product with a GUID of its own"; exit 1; }
dir='C:\orbkit test\My Product'
unix="$WINEPREFIX/drive_c/orbkit test/My Product"
rm -rf "$WINEPREFIX/drive_c/orbkit test"
# The preview renders the first dialog of the product without installing anything.
"$wine" "$work/preview/my-product-setup-preview.exe" InitDlg "$(z "$work/init.png")" >/dev/null 2>&1 &&
  [ "$(head -c 4 "$work/init.png" | od -An -c | tr -d ' ')" = '211PNG' ] || { echo "the kit's preview drew no InitDlg"; exit 1; }
"$wine" "$kit/bin/orbrun.exe" --timeout 120000 "$work/out64/my-product-setup.exe" /S "/D=$dir" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; exit 1; }
for f in readme.txt licence.txt uninst.exe; do
  [ -f "$unix/$f" ] || { echo "not installed: $f"; cat "$work/install.log"; exit 1; }
done
"$wine" "$kit/bin/orbrun.exe" --timeout 120000 "$unix/uninst.exe" /S >"$work/uninstall.log" 2>&1 ||
  { cat "$work/uninstall.log"; exit 1; }
[ ! -e "$unix" ] || { echo "left after uninstall:"; find "$unix"; exit 1; }
echo "kit ok"
