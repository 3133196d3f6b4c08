#!/usr/bin/env bash
# usage: image.sh
# Builds the test guest once and prints its folder: a Debian bookworm amd64 system
# (its kernel runs 32-bit processes) with 32- and 64-bit Wine, Xvfb, CJK fonts and two
# ready Wine prefixes. The image is kept in a machine-wide cache keyed by a hash of this
# recipe, so every clone on the machine reuses it and a changed recipe builds a new one.
# Needs root (debootstrap, chroot), the packages of tools/setup-machine.sh and apt's
# configured Debian mirror. Takes about 4-8 minutes; does nothing when the image exists.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=qemu.sh
. "$here/qemu.sh"

die() { echo "image.sh: $*" >&2; exit 1; }

root=$(orb_guest_cache_root)
hash=$(orb_guest_recipe_hash)
dir="$root/$hash"
if [ -f "$dir/ready" ]; then echo "$dir"; exit 0; fi

[ "$(id -u)" = 0 ] || die "building the guest image needs root (debootstrap and chroot)"
for t in debootstrap qemu-system-x86_64 qemu-img mkfs.ext4 flock; do
  command -v "$t" >/dev/null || die "$t is missing: run tools/setup-machine.sh"
done
mirror=$("$here/../apt-mirror.sh") || die "no Debian mirror configured in apt"
mkdir -p "$root" || die "cannot create the image cache $root (set ORB_GUEST_CACHE)"

# One build at a time per machine; a second caller waits and then finds the image.
exec 9>"$root/.lock"
flock 9
if [ -f "$dir/ready" ]; then echo "$dir"; exit 0; fi

work="$root/$hash.tmp"
tree="$work/tree"
# A build that failed in its first boot keeps its file system (stamp fs-done) and
# resumes there; anything earlier starts again.
if [ ! -f "$work/fs-done" ]; then rm -rf "$work"; fi
mkdir -p "$work"
cleanup() {
  for m in dev/pts dev proc sys; do umount "$tree/$m" 2>/dev/null || true; done
  # Never leave a half-built image behind that could be taken for a finished one.
  [ -f "$dir/ready" ] || [ -f "$work/fs-done" ] || rm -rf "$work"
}
trap cleanup EXIT

t0=$(date +%s)
log="$work/build.log"
if [ ! -f "$work/fs-done" ]; then
echo "guest image: debootstrap from $mirror (log: $log)" >&2
debootstrap --variant=minbase --arch=amd64 bookworm "$tree" "$mirror" >"$log" 2>&1 ||
  { tail -n 20 "$log" >&2; die "debootstrap failed"; }
t1=$(date +%s)

mount -t proc proc "$tree/proc"
mount -t sysfs sys "$tree/sys"
mount --bind /dev "$tree/dev"
mount --bind /dev/pts "$tree/dev/pts"
printf '#!/bin/sh\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"
chmod +x "$tree/usr/sbin/policy-rc.d"
printf 'deb %s bookworm main\ndeb %s bookworm-updates main\n' "$mirror" "$mirror" \
  >"$tree/etc/apt/sources.list"
echo orb-guest >"$tree/etc/hostname"
echo "guest image: installing packages" >&2
chroot "$tree" /bin/sh -ec '
  export DEBIAN_FRONTEND=noninteractive LC_ALL=C
  dpkg --add-architecture i386
  apt-get update -qq
  # The initramfs is made once at the end, not again by every package that asks.
  apt-get install -y -qq --no-install-recommends initramfs-tools kmod udev
  conf=/etc/initramfs-tools/update-initramfs.conf
  sed -i "s/^update_initramfs=.*/update_initramfs=no/" $conf
  apt-get install -y -qq --no-install-recommends linux-image-amd64 procps wine wine32:i386 \
    wine64 fonts-wine fonts-dejavu-core fonts-wqy-microhei xvfb xauth cmake
  sed -i "s/^update_initramfs=.*/update_initramfs=yes/" $conf
  rm -f /boot/initrd.img-*
  update-initramfs -c -k all
  apt-get clean
  rm -rf /var/lib/apt/lists/*' >>"$log" 2>&1 ||
  { tail -n 20 "$log" >&2; die "package installation in the guest tree failed"; }
rm -f "$tree/usr/sbin/policy-rc.d"
for m in dev/pts dev proc sys; do umount "$tree/$m"; done
t2=$(date +%s)

install -m 755 "$here/guest-init" "$tree/sbin/orb-guest-init"
mkdir -p "$tree/opt/orb"
cp "$(ls "$tree"/boot/vmlinuz-* | sort -V | tail -n 1)" "$work/vmlinuz"
cp "$(ls "$tree"/boot/initrd.img-* | sort -V | tail -n 1)" "$work/initrd.img"
rm -rf "$tree/boot"/* "$tree/usr/share/doc" "$tree/usr/share/man" "$tree/var/cache/debconf"/*-old
mkfs.ext4 -q -F -L orbroot -d "$tree" "$work/rootfs.raw" 10G >>"$log" 2>&1 ||
  die "mkfs.ext4 failed (see $log)"
rm -rf "$tree"
cp --sparse=always "$work/rootfs.raw" "$work/rootfs.fresh"
touch "$work/fs-done"
fi
t1=${t1:-$t0} t2=${t2:-$t0}
t3=$(date +%s)

# First boot on the image itself: the Wine prefixes are created once, here.
echo "guest image: first boot (Wine prefixes)" >&2
cp --sparse=always "$work/rootfs.fresh" "$work/rootfs.raw"
# Room for the two prefixes and the tests' files (the file is sparse).
truncate -s 10G "$work/rootfs.raw"
e2fsck -fy "$work/rootfs.raw" >>"$log" 2>&1 || true
resize2fs "$work/rootfs.raw" >>"$log" 2>&1 || die "resize2fs failed (see $log)"
mkdir -p "$work/job"
cp "$here/first-boot.sh" "$work/job/job.sh"
set +e
orb_guest_boot "$work" "file=$work/rootfs.raw,format=raw" "$work/job" 1800 "$work/first-boot.log"
rc=$?
set -e
[ $rc = 0 ] || { tail -n 30 "$work/first-boot.log" >&2; die "first boot failed ($rc)"; }
rm -rf "$work/job" "$work/rootfs.fresh" "$work/fs-done"
chmod a-w "$work/rootfs.raw"
t4=$(date +%s)
echo "debootstrap $((t1 - t0)) s, packages $((t2 - t1)) s, file system $((t3 - t2)) s, first boot $((t4 - t3)) s" \
  | tee "$work/figures" >&2
touch "$work/ready"
rm -rf "$dir"
mv "$work" "$dir"
echo "$dir"
