#!/usr/bin/env bash
# Makes the kits a vendor unpacks to make setups without a compiler:
#   orb-installer-<version>-linux-x86_64.tar.gz  bin/orbpack (Linux), both stubs, the run
#                                                driver for wine64, the template, the guides
#   orb-installer-<version>-windows.zip          bin/orbpack.exe and the run driver for
#                                                Windows (32-bit, runs everywhere), the rest alike
# The template comes with its skin drawn, so it packs as it is once it has its own GUID
# (bin/orbpack --new <folder> copies it and makes one).
#   tools/make-kit.sh [-o <folder>]   (default dist/); builds what it needs in build/i686
#   and build/x64, or in the folders ORB_KIT_I686 / ORB_KIT_X64 name.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
out=dist
if [ "${1:-}" = -o ] && [ -n "${2:-}" ]; then out=$2; elif [ $# -gt 0 ]; then
  echo "usage: tools/make-kit.sh [-o <folder>]" >&2; exit 2
fi
i686=${ORB_KIT_I686:-build/i686}
x64=${ORB_KIT_X64:-build/x64}
version=$(sed -n 's/^project(ORBInstaller VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "make-kit: no version in CMakeLists.txt" >&2; exit 1; }

for b in "$i686" "$x64"; do
  [ -f "$b/build.ninja" ] || { echo "make-kit: $b is not configured (tools/build.sh)" >&2; exit 1; }
done
cmake --build "$i686" --target orb_stub orb_preview_stub orbpack orbpack_native orbrun >/dev/null
cmake --build "$x64" --target orb_stub orb_preview_stub orbrun >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# The same content in both kits but for the programs that run the packer and the driver.
common() {
  local k=$1
  mkdir -p "$k/bin" "$k/template/images" "$k/docs"
  cp "$i686/stub/orbstub-i686.exe" "$x64/stub/orbstub-x86_64.exe" "$k/bin/"
  cp "$i686/stub/orbpreview-i686.exe" "$x64/stub/orbpreview-x86_64.exe" "$k/bin/"
  (cd examples/template && cp -r GLOBAL_VAR.lua INSTSCRIPT.lua UNINSTSCRIPT.lua LAYOUT.XML README.md product.lua \
     modules payload "$k/template/")
  /usr/bin/python3 tools/skin/make-skin.py "$k/template/images" --product "My Product" --accent 0,140,120 >/dev/null
  cp docs/*.md "$k/docs/"
  cat > "$k/README.txt" <<X
ORB Installer $version

  bin/orbpack --new myproduct          a product folder from template/, with its own GUID
  (edit myproduct/GLOBAL_VAR.lua, put your program into myproduct/payload/)
  bin/orbpack -o out myproduct         out/<name>.exe, the setup to ship (32-bit)
  bin/orbpack --preview bin/orbpreview-i686.exe -o out myproduct
                                       also out/<name>-preview.exe: run it with a dialog's
                                       name and a .png to see that dialog without installing

docs/orbpack.md describes the product folder and every option; docs/scripting.md the
scripts; docs/layout.md the skin. bin/orbrun.exe runs a setup and prints its log lines.
X
}
lin=orb-installer-$version-linux-x86_64
win=orb-installer-$version-windows
common "$stage/$lin"
cp "$i686/orbpack-native/orbpack" "$stage/$lin/bin/"
cp "$x64/tools/orbrun/orbrun.exe" "$stage/$lin/bin/"
common "$stage/$win"
sed -i 's|bin/orbpack |bin\\orbpack.exe |g; s|$|\r|' "$stage/$win/README.txt"
cp "$i686/tools/orbpack/orbpack.exe" "$i686/tools/orbrun/orbrun.exe" "$stage/$win/bin/"

mkdir -p "$out"
# Archives that depend on their content only: sorted names, one time, no owners.
stamp=${SOURCE_DATE_EPOCH:-0}
tar -C "$stage" --sort=name --mtime="@$stamp" --owner=0 --group=0 --numeric-owner -czf "$out/$lin.tar.gz" "$lin"
/usr/bin/python3 - "$stage" "$win" "$out/$win.zip" <<'X'
import os, sys, zipfile
stage, name, dest = sys.argv[1:]
with zipfile.ZipFile(dest + ".part", "w", zipfile.ZIP_DEFLATED) as z:
    for root, dirs, files in os.walk(os.path.join(stage, name)):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(root, f)
            info = zipfile.ZipInfo(os.path.relpath(path, stage).replace(os.sep, "/"), (1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = (0o755 if os.access(path, os.X_OK) else 0o644) << 16
            with open(path, "rb") as src:
                z.writestr(info, src.read())
os.replace(dest + ".part", dest)
X
echo "$out/$lin.tar.gz"
echo "$out/$win.zip"
