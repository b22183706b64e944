#!/usr/bin/env bash
# Sets up the machine, builds kbconfig-demo and starts it: the whole program against an emulated
# keyboard (every report it receives is printed as a line of hex bytes), an emulated key filter
# fed from the keys typed into the program's windows, and an emulated virtual HID device that
# prints the keys it would press.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF \
  -DKBCONFIG_BUILD_BENCHMARKS=OFF -DKBCONFIG_BUILD_UI=ON >/dev/null
cmake --build build/demo -j "$(nproc)" --target kbconfig-demo
exec build/demo/app/kbconfig-demo "$@"
