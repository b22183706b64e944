#!/bin/bash
# The remap benchmark's run inside the host-root guest (tools/run-kernel-bench.sh writes the shared
# folder's "run" to call this): starts what input-remapper needs as a desktop does (the system
# bus, its service, and the service told where the configuration is), then the benchmark.
# Usage: bench-in-guest.sh <kernel_remap_bench> <folder with config.xml> <measure input-remapper: yes|no>
set -u
bench=$1 folder=$2 remapper=$3
args=(--interception /usr/bin)
config=/root/.config/input-remapper
bus_has() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner "string:$1" 2>/dev/null | grep -q "boolean true"
}
if [ "$remapper" = yes ]; then
  mkdir -p /run/dbus "$config"
  echo '{}' >"$config/config.json"
  if ! dbus-daemon --system --fork; then
    echo "kernel bench: input-remapper not measured: the system bus did not start"
    remapper=no
  fi
fi
if [ "$remapper" = yes ]; then
  input-remapper-service >input-remapper-service.log 2>&1 &
  for _ in $(seq 600); do bus_has inputremapper.Control && break; sleep 0.2; done
  if dbus-send --system --print-reply --dest=inputremapper.Control /inputremapper/Control \
       inputremapper.Control.set_config_dir "string:$config" >/dev/null 2>&1; then
    args+=(--input-remapper "$config")
  else
    echo "kernel bench: input-remapper not measured: its service did not come up (input-remapper-service.log)"
  fi
fi
"$bench" "$folder" "${args[@]}"
