#!/bin/bash
# Boots a throwaway Linux VM under qemu's software emulation with this machine's root
# shared read-only (a tmpfs overlay on top inside), runs SCRIPT there as root with
# bash and ends with its exit status. What it prints reaches this script's stdout.
# Bounded: qemu is ended after VANTOR_VM_TIMEOUT seconds (default 900).
#
#   tests/vm/boot-vm.sh [--share DIR]... WORKDIR SCRIPT [ARG...]
#
# Inside, /tmp, /run and /dev/shm are fresh tmpfs, so what lies there on this machine
# is hidden: each --share DIR (an absolute path) is shared on its own and appears at
# the same path, read-only with a tmpfs overlay, wherever it is.
# WORKDIR (created, emptied) holds the initramfs and the results share: the script
# finds its arguments in /vm-out/args and may leave files in /vm-out (WORKDIR/out).
set -euo pipefail

here=$(cd "$(dirname -- "$0")" && pwd)
shares=()
while [ $# -gt 0 ] && [ "$1" = --share ]; do
  case $2 in
    /*) shares+=("$2") ;;
    *) echo "boot-vm: --share needs an absolute path, not '$2'" >&2; exit 2 ;;
  esac
  shift 2
done
work=$1
script=$2
shift 2
timeout_s=${VANTOR_VM_TIMEOUT:-900}

kernel=${VANTOR_VM_KERNEL:-$(ls -1 /boot/vmlinuz-*-amd64 2>/dev/null | sort -V | tail -n 1)}
[ -n "$kernel" ] && [ -r "$kernel" ] || { echo "boot-vm: no kernel in /boot (scripts/setup.sh test installs linux-image-amd64)" >&2; exit 125; }
release=${kernel#/boot/vmlinuz-}
modules=/lib/modules/$release/kernel
command -v qemu-system-x86_64 >/dev/null || { echo "boot-vm: qemu-system-x86_64 missing" >&2; exit 125; }
[ -x /bin/busybox ] || { echo "boot-vm: busybox missing" >&2; exit 125; }

rm -rf "$work"
mkdir -p "$work/initramfs/bin" "$work/initramfs/modules" "$work/out"
for dir in proc sys dev; do mkdir -p "$work/initramfs/$dir"; done
cp /bin/busybox "$work/initramfs/bin/busybox"
cp "$here/vm-init.sh" "$work/initramfs/init"
chmod 755 "$work/initramfs/init"
# virtio_ring before virtio, or its symbols are missing.
for module in drivers/virtio/virtio_ring drivers/virtio/virtio drivers/virtio/virtio_pci_modern_dev \
              drivers/virtio/virtio_pci_legacy_dev drivers/virtio/virtio_pci fs/netfs/netfs fs/fscache/fscache \
              net/9p/9pnet net/9p/9pnet_virtio fs/9p/9p fs/overlayfs/overlay; do
  name=$(basename "$module")
  [ -f "$modules/$module.ko" ] || continue
  cp "$modules/$module.ko" "$work/initramfs/modules/$name.ko"
  echo "$name" >> "$work/initramfs/modules/order"
done
(cd "$work/initramfs" && find . | cpio -o -H newc --quiet | gzip -1) > "$work/initrd.gz"

cp "$script" "$work/out/command"
printf '%s\n' "$@" > "$work/out/args"
# One 9p device per share, tagged share0, share1, ... in the order of the list that
# vm-init.sh reads; qemu's option syntax doubles a comma inside a value.
share_devices=()
: > "$work/out/shares"
for index in "${!shares[@]}"; do
  printf '%s\n' "${shares[$index]}" >> "$work/out/shares"
  share_devices+=(-fsdev "local,id=share$index,path=${shares[$index]//,/,,},security_model=none,readonly=on,multidevs=remap"
                  -device "virtio-9p-pci,fsdev=share$index,mount_tag=share$index")
done

# -smap,-smep: with SMAP, Wine's processes oops on iretq under software emulation.
# The console's escape sequences (the firmware clears the screen) would garble logs.
timeout -k 10 "$timeout_s" qemu-system-x86_64 \
  -accel tcg -cpu max,-smap,-smep -smp 2 -m 2048 \
  -nographic -no-reboot -nic none \
  -kernel "$kernel" -initrd "$work/initrd.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 sysrq_always_enabled=1" \
  -fsdev local,id=root,path=/,security_model=none,readonly=on,multidevs=remap \
  -device virtio-9p-pci,fsdev=root,mount_tag=hostroot \
  -fsdev "local,id=out,path=$work/out,security_model=none" \
  -device virtio-9p-pci,fsdev=out,mount_tag=out \
  "${share_devices[@]}" \
  </dev/null 2>&1 | sed -u -e 's/\r//g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\x1bc//g'
status=${PIPESTATUS[0]}
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
  echo "boot-vm: the VM did not finish within $timeout_s s" >&2
  exit 124
fi
if [ ! -s "$work/out/status" ]; then
  echo "boot-vm: the VM ended (qemu status $status) without the script's status" >&2
  exit 125
fi
exit "$(cat "$work/out/status")"
