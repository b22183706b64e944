# Sourced by tools/run-kernel-tests.sh and tools/run-kernel-bench.sh: what the qemu guests need on
# this machine. kernel_guest_setup says why and skips (exit 0) when it cannot be had.
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

# kernel_guest_install_optional <name for the messages> <Debian packages...>
# Installs the packages when missing; false (with one line saying what is left out) when they
# cannot be had. Never ends the run.
kernel_guest_install_optional() {
  local what=$1
  shift
  local missing=() package sudo=""
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "$what: installing ${missing[*]}"
  if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq \
         --no-install-recommends "${missing[@]}"; }; then
    echo "$what: cannot install ${missing[*]}: what needs them is left out"
    return 1
  fi
}
