#!/bin/busybox sh
# /init of the host-root guest (tests/guest/run-guest.sh): loads the modules, mounts the host's
# root file system (9p, read-only) under a tmpfs overlay, mounts the shared folder read-write at
# its host path, and runs that folder's "run" script as root in a chroot of the overlay. Its exit
# code goes into the folder's "status" file and onto the console; then the guest powers off.
/bin/busybox --install -s /bin
echo "KBCONFIG-GUEST: STARTED"
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /lib/modules/load-order); do
  insmod "/lib/modules/$module" || echo "guest: insmod $module failed"
done

option() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" /proc/cmdline; }
share=$(option kbshare)
fail() {
  echo "guest: $*"
  echo "KBCONFIG-GUEST: STATUS 125"
  poweroff -f
}

# 9p: large messages (fewer round trips through the emulated transport); the host's files do not
# change while the guest runs, so the guest may cache them.
mkdir -p /host /rw /root
mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=512000,cache=loose host /host || fail "cannot mount the host's root"
mount -t tmpfs -o mode=0755 tmpfs /rw
mkdir -p /rw/upper /rw/work
mount -t overlay overlay -o lowerdir=/host,upperdir=/rw/upper,workdir=/rw/work /root || fail "cannot mount the overlay"
mount -t proc proc /root/proc
mount -t sysfs sysfs /root/sys
mount -t devtmpfs devtmpfs /root/dev
mkdir -p /root/dev/pts /root/dev/shm
# What udev or systemd would add on a booted system: bash's process substitution needs /dev/fd.
ln -sf /proc/self/fd /root/dev/fd
ln -sf /proc/self/fd/0 /root/dev/stdin
ln -sf /proc/self/fd/1 /root/dev/stdout
ln -sf /proc/self/fd/2 /root/dev/stderr
mount -t devpts -o newinstance,ptmxmode=0666 devpts /root/dev/pts
mount -t tmpfs -o mode=1777 tmpfs /root/dev/shm
mount -t tmpfs -o mode=1777 tmpfs /root/tmp
mount -t tmpfs -o mode=0755 tmpfs /root/run
mkdir -p "/root$share"
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 share "/root$share" || fail "cannot mount the shared folder"

echo "KBCONFIG-GUEST: RUNNING"
chroot /root /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  LANG=C.UTF-8 KBCONFIG_GUEST=1 /bin/sh -c 'cd "$1" && exec ./run' run "$share" </dev/null
status=$?
echo "$status" > "/root$share/status"
sync
umount "/root$share"
echo "KBCONFIG-GUEST: STATUS $status"
poweroff -f
