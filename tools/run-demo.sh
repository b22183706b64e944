#!/usr/bin/env bash
# Sets up the machine, builds kbconfig and starts it against the emulated keyboard.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
cmake -S . -B build/demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKBCONFIG_BUILD_TESTS=OFF >/dev/null
cmake --build build/demo -j "$(nproc)" --target kbconfig-probe
exec build/demo/app/kbconfig-probe "$@"
