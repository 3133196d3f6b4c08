# Sourced by the guest scripts: where the image lives and how a guest is booted.

# The machine-wide image cache, shared by every clone on this machine (CI runs in a
# fresh clone); ORB_GUEST_CACHE overrides it.
orb_guest_cache_root() { echo "${ORB_GUEST_CACHE:-/var/cache/orbinstaller/guest}"; }

# The recipe's hash: every file that decides what the image contains.
orb_guest_recipe_hash() {
  local here; here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  cat "$here/image.sh" "$here/guest-init" "$here/first-boot.sh" | sha256sum | cut -c1-16
}

# Prints the QEMU accelerator options: KVM only where a guest kernel really boots with
# it (on some hosts /dev/kvm exists but QEMU aborts on the first vCPU run), else TCG.
# -smap: with SMAP under TCG the guest kernel oopses when a 32-bit process returns to
# user mode.
orb_guest_accel() {
  local kernel=$1
  if [ -z "${ORB_GUEST_NO_KVM:-}" ] && [ -r /dev/kvm ] && [ -w /dev/kvm ] &&
     grep -qwE 'vmx|svm' /proc/cpuinfo; then
    # A kernel without root file system panics at once; with -no-reboot QEMU then
    # exits 0. An abort, an error or no exit within 20 s means KVM does not work here.
    if timeout 20 qemu-system-x86_64 -accel kvm -cpu host -machine q35 -m 256 -display none \
         -monitor none -serial none -nic none -no-reboot -kernel "$kernel" \
         -append "panic=-1 root=/dev/nonexistent quiet" </dev/null >/dev/null 2>&1; then
      echo "-accel kvm -cpu host"; return
    fi
  fi
  echo "-accel tcg,thread=multi -cpu max,-smap"
}

# orb_guest_boot <image dir> <disk options> <job dir> <time limit s> <console log>
#                [<host folder to share as "top">]
# Boots the guest on the given disk with the job folder shared as "job"; returns the
# job's exit code, 124 when the time limit ended it, 125 when the guest gave none.
orb_guest_boot() {
  local img=$1 disk=$2 job=$3 limit=$4 log=$5 top=${6:-}
  local share=()
  [ -n "$top" ] && share=(-virtfs "local,path=$top,mount_tag=top,security_model=none,id=top")
  rm -f "$job/rc"
  local mem=${ORB_GUEST_MEM:-2048} cpus=${ORB_GUEST_CPUS:-$(nproc)}
  # shellcheck disable=SC2046,SC2086
  timeout --foreground -k 10 "$limit" qemu-system-x86_64 $(orb_guest_accel "$img/vmlinuz") \
    -machine q35 -smp "$cpus" -m "$mem" -display none -monitor none -nodefaults \
    -serial "file:$log" -no-reboot -nic none \
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 init=/sbin/orb-guest-init panic=-1 quiet" \
    -drive "$disk,if=virtio" \
    -virtfs "local,path=$job,mount_tag=job,security_model=none,id=job" "${share[@]}" \
    </dev/null
  local q=$?
  if [ $q = 124 ] || [ $q = 137 ]; then return 124; fi
  [ -f "$job/rc" ] || return 125
  return "$(cat "$job/rc")"
}
