#!/bin/busybox sh
# /init of the test VM's initramfs. Mounts the host's root (shared read-only over
# 9p) under a tmpfs overlay, so the tests may write anywhere without touching the
# host, mounts the results share at /vm-out and the folders listed in
# /vm-out/shares at their paths, makes that the root, runs
# /vm-out/command there as root and powers the VM off. The exit status goes to /vm-out/status.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev

# Listed in load order: each needs the ones before it.
while read -r module; do
  insmod "/modules/$module.ko" || echo "vm-init: insmod $module failed"
done < /modules/order

nine="trans=virtio,version=9p2000.L,msize=262144"
mkdir -p /lower /rw /newroot
mount -t 9p -o "$nine,ro" hostroot /lower || { echo "vm-init: no host root"; echo o > /proc/sysrq-trigger; }
mount -t tmpfs -o mode=0755 tmpfs /rw
mkdir -p /rw/upper /rw/work
if ! mount -t overlay overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work /newroot; then
  echo "vm-init: no overlay, the root stays read-only"
  mount --bind /lower /newroot
fi
mkdir -p /newroot/vm-out 2>/dev/null
mount -t 9p -o "$nine" out /newroot/vm-out || mount -t 9p -o "$nine" out /newroot/mnt
mount -t proc proc /newroot/proc
mount -t sysfs sysfs /newroot/sys
mount -t devtmpfs devtmpfs /newroot/dev
mkdir -p /newroot/dev/pts /newroot/dev/shm
mount -t devpts devpts /newroot/dev/pts
for dir in /tmp /run /dev/shm; do mount -t tmpfs -o mode=1777 tmpfs "/newroot$dir"; done

# The folders shared on their own (a checkout under /tmp would be hidden by the tmpfs
# above), each at its own path, parents before the folders inside them.
index=0
while read -r path; do
  tag=share$index
  index=$((index + 1))
  mkdir -p "/$tag" "/rw/$tag/upper" "/rw/$tag/work" "/newroot$path"
  mount -t 9p -o "$nine,ro" "$tag" "/$tag" || { echo "vm-init: cannot mount $path"; continue; }
  mount -t overlay overlay -o "lowerdir=/$tag,upperdir=/rw/$tag/upper,workdir=/rw/$tag/work" "/newroot$path" ||
    mount --bind "/$tag" "/newroot$path"
done < /newroot/vm-out/shares

# switch_root rather than chroot: systemd's tools (udevadm trigger) refuse to act in
# a chroot. The shell that replaces this init runs the command and powers off with the
# reboot call itself: the sysrq way returns at once, and the shell, whose program lives
# on the share being torn down, then dies of SIGBUS and the kernel panics over it.
exec switch_root /newroot /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb \
  /bin/bash -c 'bash /vm-out/command </dev/console >/dev/console 2>&1; echo $? >/vm-out/status; sync
                /bin/busybox poweroff -f; echo o >/proc/sysrq-trigger; sleep 10'
