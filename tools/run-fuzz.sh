#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each for a bounded number of runs over a copy of its seed corpus (fuzz/corpus/<name>/,
# plus the shipped file the target reads: config.xml, the key positions, the resource index and
# the translation tables). A crash, leak, timeout or sanitizer report fails the script; the input
# that caused it is left in build/fuzz/run/<name>/.
#
#   KBCONFIG_FUZZ_RUNS     runs per target (default 20000)
#   KBCONFIG_FUZZ_SECONDS  time limit per target in seconds (default 35; 10 targets fit in ~6 min)
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${KBCONFIG_FUZZ_RUNS:-20000}
seconds=${KBCONFIG_FUZZ_SECONDS:-35}
build=build/fuzz

source tools/apt.sh
apt_install clang-14 libclang-rt-14-dev

echo "== build ${build} (clang, libFuzzer)"
cmake -S . -B "${build}" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKBCONFIG_BUILD_FUZZERS=ON -DKBCONFIG_SANITIZE=address,undefined \
  -DKBCONFIG_BUILD_TESTS=OFF -DKBCONFIG_BUILD_UI=OFF -DKBCONFIG_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "${build}" -j "$(nproc)" --target kb_fuzzers

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for fuzzer in "${build}"/fuzz/*_fuzzer; do
  name=$(basename "${fuzzer}" _fuzzer)
  work="${build}/run/${name}"
  rm -rf "${work}"
  mkdir -p "${work}/corpus"
  if [ -d "fuzz/corpus/${name}" ]; then cp -r "fuzz/corpus/${name}/." "${work}/corpus/"; fi
  # The shipped files are seeds too.
  case "${name}" in
    config_xml) cp config/config.xml "${work}/corpus/shipped_config.xml" ;;
    key_positions) cp uires/keyboard/keyboard_positions.xml "${work}/corpus/shipped_positions.xml" ;;
    resource_index) cp uires/index.xml "${work}/corpus/shipped_index.xml" ;;
    translation_table) cp uires/translation/lang_*.xml "${work}/corpus/" ;;
  esac

  echo "== fuzz ${name} (${runs} runs or ${seconds} s)"
  if "${fuzzer}" -runs="${runs}" -max_total_time="${seconds}" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
       -print_final_stats=1 -artifact_prefix="${work}/" "${work}/corpus" >"${work}/log.txt" 2>&1; then
    grep -E '^stat::number_of_executed_units' "${work}/log.txt" | sed "s/^/   ${name} /" || true
  else
    echo "FAILED: ${name} (log: ${work}/log.txt)"
    tail -n 40 "${work}/log.txt"
    failed+=("${name}")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "run-fuzz: failed targets: ${failed[*]}"
  exit 1
fi
echo "run-fuzz: every target ran clean"
