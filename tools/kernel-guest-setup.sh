# Sourced by tools/run-kernel-tests.sh and tools/run-kernel-bench.sh: what the kernel suite's qemu
# guest needs on this machine. Each function says why and skips (exit 0) when it cannot be had.
# kernel_guest_setup <name for the messages, e.g. "kernel suite"> <Debian packages...>
kernel_guest_setup() {
  local what=$1
  shift
  if [ "$(uname -s)" != "Linux" ] || [ "$(uname -m)" != "x86_64" ]; then
    echo "$what SKIPPED: needs an x86_64 Linux machine (this is $(uname -s) $(uname -m))"
    exit 0
  fi
  source "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
  if ! apt_install "$@"; then
    echo "$what SKIPPED: cannot install $(apt_missing "$@" | tr '\n' ' ')"
    exit 0
  fi
}
