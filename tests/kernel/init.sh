#!/bin/busybox sh
# /init of the kernel suite's guest: mount the kernel file systems, load the modules, run the
# suite, print the verdict line and power off (qemu's exit code does not carry the result).
/bin/busybox --install -s /bin
echo "KBCONFIG-KERNEL-SUITE: STARTED"
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /run
for module in $(cat /lib/modules/load-order); do
  insmod "/lib/modules/$module" || echo "kernel suite: insmod $module failed"
done
cd /kbtest
# What to run comes from the kernel command line: kbprogram=<name> (the suite by default),
# kbtests=<gtest filter>, kbcuts=<power cuts to try>.
option() { sed -n "s/.* $1=\([^ ]*\).*/\1/p" /proc/cmdline; }
program=$(option kbprogram)
filter=$(option kbtests)
cuts=$(option kbcuts)
[ -n "$filter" ] && export GTEST_FILTER="$filter"
[ -n "$cuts" ] && export KBCONFIG_POWER_CUTS="$cuts"
GTEST_COLOR=no "./${program:-kernel_suite}" /kbtest
status=$?
if [ "$status" -eq 0 ]; then
  echo "KBCONFIG-KERNEL-SUITE: PASSED"
else
  echo "KBCONFIG-KERNEL-SUITE: FAILED ($status)"
fi
poweroff -f
