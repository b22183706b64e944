# Sourced by the project's scripts: installs Debian packages the same careful way everywhere.
#
#   apt_missing <package...>          prints the packages that are not installed (one per line)
#   apt_update                        refreshes the package indexes once per script run, retrying;
#                                     an index that still cannot be fetched is named and left out
#                                     (one broken mirror index, often a foreign architecture's,
#                                     must not end a run that does not need it)
#   apt_install <package...>          installs what is missing; non-zero when apt-get fails (where
#                                     i386 libraries are installed, e.g. wine32's, a failed install
#                                     is tried again with the amd64 libraries at their versions)
#   apt_install_wine32                installs wine32:i386 (adding the i386 architecture); when the
#                                     i386 and amd64 indexes disagree on versions, matches the
#                                     libraries to versions both architectures have; non-zero, with
#                                     the reason in $apt_wine32_reason, when it cannot be had
#
# Every call waits for a dpkg lock held by someone else instead of failing at once.
# shellcheck shell=bash

apt_sudo=""
if [ "$(id -u)" -ne 0 ]; then apt_sudo="sudo"; fi
apt_lock=(-o DPkg::Lock::Timeout=900)
apt_updated=no
apt_wine32_reason=""

apt_is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

apt_missing() {
  local package
  for package in "$@"; do apt_is_installed "$package" || echo "$package"; done
}

apt_update() {
  [ "$apt_updated" = yes ] && return 0
  local attempt errors
  errors=$(mktemp)
  for attempt in 1 2 3 4; do
    if $apt_sudo apt-get "${apt_lock[@]}" update -qq 2>"$errors" >/dev/null && ! grep -q '^E:' "$errors"; then
      rm -f "$errors"
      apt_updated=yes
      return 0
    fi
    [ "$attempt" -lt 4 ] && sleep $((attempt * 5))
  done
  # Still failing: say which indexes, then go on with the ones that came (apt keeps the others
  # out). What needs a missing index fails at its install, which its caller reports.
  echo "apt: after 4 tries these package indexes could not be fetched; going on without them:"
  grep -o 'Failed to fetch [^ ]*' "$errors" | sed 's/^Failed to fetch /apt:   /' | sort -u
  grep -q 'Failed to fetch' "$errors" || sed 's/^/apt:   /' "$errors"
  rm -f "$errors"
  apt_updated=yes
  return 0
}

apt_install() {
  local missing=() pins=() errors status=0
  mapfile -t missing < <(apt_missing "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "apt: installing ${missing[*]}"
  apt_update
  errors=$(mktemp)
  DEBIAN_FRONTEND=noninteractive $apt_sudo apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null 2>"$errors" && { rm -f "$errors"; return 0; }
  if dpkg --print-foreign-architectures | grep -qx i386; then mapfile -t pins < <(apt_i386_matching_pins "${missing[@]}"); fi
  if [ ${#pins[@]} -gt 0 ]; then
    echo "apt: matching amd64 libraries to the installed i386 ones: ${pins[*]}"
    DEBIAN_FRONTEND=noninteractive $apt_sudo apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends \
      --no-remove "${missing[@]}" "${pins[@]}" >/dev/null 2>"$errors" || status=$?
  else
    status=1
  fi
  [ "$status" -eq 0 ] || cat "$errors" >&2
  rm -f "$errors"
  return "$status"
}

# Versions of many packages at once: "<package> <version>" lines for every version apt knows.
apt_versions() {
  apt-cache madison "$@" 2>/dev/null | awk -F'|' '{ gsub(/ /, "", $1); gsub(/ /, "", $2); print $1, $2 }'
}

# Every package the given ones need, recursively, one a line as apt-cache names them: a foreign
# architecture's as "name:arch", a virtual one as "<name>".
apt_closure() {
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances "$@" 2>/dev/null | grep -v '^ '
}

# The library pins that let wine32:i386 install beside the amd64 libraries: multiarch needs each
# Multi-Arch: same library at one version on both architectures, and when an i386 index is
# missing (a security suite's index refused as "Mirror sync in progress?") the i386 side lacks
# the amd64 side's version. Each such library, and the installed packages built from its source
# (their -dev packages depend on the exact version), go to the newest version both have.
# Prints "package=version" arguments for apt-get, one per line.
apt_wine32_pins() {
  local closure=() package version
  mapfile -t closure < <(apt_closure wine32:i386 | sed -n 's/:i386$//p' | sort -u)
  [ ${#closure[@]} -gt 0 ] || return 0
  declare -A installed=() i386_versions=() amd64_versions=() same=()
  while read -r package version; do installed[$package]=$version; done < <(
    dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' "${closure[@]/%/:amd64}" 2>/dev/null |
      awk '$1 == "ii" { print $2, $3 }')
  while read -r package version; do
    i386_versions[$package]+=" $version "
  done < <(apt_versions "${closure[@]/%/:i386}" | sed 's/:i386 / /')
  while read -r package version; do
    amd64_versions[$package]+=" $version "
  done < <(apt_versions "${closure[@]/%/:amd64}" | sed 's/:amd64 / /')
  while read -r package; do same[$package]=1; done < <(
    apt-cache show "${closure[@]/%/:i386}" 2>/dev/null |
      awk '/^Package:/ { name = $2 } /^Multi-Arch: same/ { print name }' | sort -u)

  declare -A pinned=()
  for package in "${closure[@]}"; do
    version=${installed[$package]:-}
    [ -n "$version" ] && [ -n "${same[$package]:-}" ] || continue
    # Both architectures already have the installed version: apt finds it by itself, but naming
    # it keeps apt's resolver from giving up on a large set.
    if [[ "${i386_versions[$package]:-}" == *" $version "* ]]; then
      echo "$package:i386=$version"
      continue
    fi
    local best="" candidate
    for candidate in ${i386_versions[$package]:-}; do
      [[ "${amd64_versions[$package]:-}" == *" $candidate "* ]] || continue
      if [ -z "$best" ] || dpkg --compare-versions "$candidate" gt "$best"; then best=$candidate; fi
    done
    [ -n "$best" ] || continue
    echo "$package:amd64=$best"
    echo "$package:i386=$best"
    pinned[$package]=$best
    echo "apt:   $package $version -> $best on both architectures" >&2
  done
  # Installed siblings from the same source package follow their library's version.
  local sources=() source sibling
  for package in "${!pinned[@]}"; do
    source=$(dpkg-query -W -f='${source:Package}' "$package:amd64" 2>/dev/null)
    sources+=("$source=${pinned[$package]}")
  done
  for source in "${sources[@]}"; do
    version=${source#*=}
    source=${source%%=*}
    for sibling in $(dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${source:Package}\n' 2>/dev/null |
                       awk -v s="$source" '$1 == "ii" && $3 == s { print $2 }'); do
      [ -n "${pinned[$sibling]:-}" ] && continue
      if apt_versions "$sibling" | awk -v v="$version" '$2 == v { found = 1 } END { exit !found }'; then
        echo "$sibling=$version"
      fi
    done
  done | sort -u
}

# The other way round: amd64 packages to install beside installed i386 libraries (wine32's). A
# Multi-Arch: same library the i386 side has must come at that version for amd64 too, which apt
# does not choose by itself when the amd64 index has a newer one (a security update whose i386
# index was missing when wine32 was installed). Prints "package:amd64=version" arguments.
apt_i386_matching_pins() {
  local closure=() package version
  mapfile -t closure < <(apt_closure "$@" | grep -v -e '^<' -e ':' | sort -u)
  [ ${#closure[@]} -gt 0 ] || return 0
  declare -A i386_installed=() amd64_versions=() amd64_newest=()
  while read -r package version; do i386_installed[$package]=$version; done < <(
    dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' "${closure[@]/%/:i386}" 2>/dev/null |
      awk '$1 == "ii" { print $2, $3 }')
  local libraries=("${!i386_installed[@]}")
  [ ${#libraries[@]} -gt 0 ] || return 0
  # apt-cache madison lists the newest version first: the one apt would take.
  while read -r package version; do
    [ -n "${amd64_newest[$package]:-}" ] || amd64_newest[$package]=$version
    amd64_versions[$package]+=" $version "
  done < <(apt_versions "${libraries[@]/%/:amd64}" | sed 's/:amd64 / /')
  for package in "${libraries[@]}"; do
    version=${i386_installed[$package]}
    apt_is_installed "$package:amd64" && continue
    [ "${amd64_newest[$package]:-}" != "$version" ] || continue
    if [[ "${amd64_versions[$package]:-}" == *" $version "* ]]; then echo "$package:amd64=$version"; fi
  done | sort
}

apt_install_wine32() {
  apt_wine32_reason=""
  apt_is_installed wine32:i386 && return 0
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $apt_sudo dpkg --add-architecture i386
    apt_updated=no
  fi
  apt_update
  local log
  log=$(mktemp)
  echo "apt: installing wine32:i386"
  if DEBIAN_FRONTEND=noninteractive $apt_sudo apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends \
       --no-remove wine32:i386 >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  echo "apt: wine32:i386 does not install as it is; matching the i386 and amd64 library versions:"
  local pins=()
  mapfile -t pins < <(apt_wine32_pins)
  # --no-remove: a version change that would remove a package the machine has fails instead.
  if DEBIAN_FRONTEND=noninteractive $apt_sudo apt-get "${apt_lock[@]}" install -y -qq --no-install-recommends \
       --no-remove --allow-downgrades wine32:i386 ${pins[@]+"${pins[@]}"} >"$log" 2>&1; then
    rm -f "$log"
    return 0
  fi
  apt_wine32_reason=$(grep -m1 -E '^E:|^ [^ ].* : Depends' "$log" | sed 's/^ *//')
  [ -n "$apt_wine32_reason" ] || apt_wine32_reason="apt-get install wine32:i386 failed"
  rm -f "$log"
  return 1
}
