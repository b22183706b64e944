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
# kbtests=<gtest filter> on the kernel command line runs only those tests of the suite.
filter=$(sed -n 's/.*kbtests=\([^ ]*\).*/\1/p' /proc/cmdline)
# kbcuts=<n>: how many power cuts the power-cut test tries.
cuts=$(sed -n 's/.*kbcuts=\([0-9]*\).*/\1/p' /proc/cmdline)
[ -n "$cuts" ] && export KBCONFIG_POWER_CUTS="$cuts"
GTEST_COLOR=no ./kernel_suite /kbtest ${filter:+--gtest_filter="$filter"}
status=$?
if [ "$status" -eq 0 ]; then
  echo "KBCONFIG-KERNEL-SUITE: PASSED"
else
  echo "KBCONFIG-KERNEL-SUITE: FAILED ($status)"
fi
poweroff -f
