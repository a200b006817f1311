#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared set-up of run.sh and test.sh: installs the Debian packages the build
# needs when they are missing (as root), configures and builds into build/.
set -euo pipefail

TORVALE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TORVALE_BUILD=${TORVALE_BUILD:-$TORVALE_ROOT/build}

# What the program needs to build and run.
torvale_program_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-charts-dev qt6-svg-dev qt6-l10n-tools qt6-tools-dev libgl-dev libmosquitto-dev libssl-dev
  fonts-ipafont qt6-translations-l10n
  qt6-httpserver-dev qt6-websockets-dev libjs-dygraphs
)
# What the tests, the benchmarks and the package check need besides.
torvale_test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool libfaketime clang-tidy
  at-spi2-core python3-pyatspi dbus-daemon
  mosquitto mosquitto-clients openssl
  dpkg-dev file lintian desktop-file-utils appstream
  prometheus chromium
)
# What torvale_install_packages installs: everything, unless a script
# (run.sh) narrows it.
torvale_packages=("${torvale_program_packages[@]}" "${torvale_test_packages[@]}")

torvale_missing_packages() {
  local p missing=()
  for p in "${torvale_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  echo "${missing[@]:-}"
}

torvale_install_packages() {
  local missing
  missing=$(torvale_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    # One line for the program and its tests alike, so that a second script
    # does not send the user back for more.
    local narrowed=("${torvale_packages[@]}")
    torvale_packages=("${torvale_program_packages[@]}" "${torvale_test_packages[@]}")
    missing=$(torvale_missing_packages)
    torvale_packages=("${narrowed[@]}")
    echo "Missing Debian packages. Run this as root (su - on a fresh Debian, or"
    echo "sudo -i where sudo is set up), then try again:"
    echo "  apt-get update && apt-get install -y $missing"
    exit 1
  fi
  echo "Installing: $missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
}

# torvale_build [build type [cmake arguments...]]: builds the targets named in
# TORVALE_TARGETS (all when empty).
torvale_build() {
  local type=${1:-RelWithDebInfo}
  shift $(($# > 0 ? 1 : 0))
  cmake -S "$TORVALE_ROOT" -B "$TORVALE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  cmake --build "$TORVALE_BUILD" ${TORVALE_TARGETS:+--target $TORVALE_TARGETS}
}

# The sanitizer builds: clang, Debug at -O1 so that assertions stay on, with
# line tables only (a report's stack still names each function, file and line;
# full debug information made the builds an eighth slower).
TORVALE_ASAN_BUILD=${TORVALE_ASAN_BUILD:-$TORVALE_ROOT/build-asan}
# The libFuzzer targets of tests/fuzz, built in the AddressSanitizer build.
torvale_fuzz_targets=(fuzz_logformat fuzz_settings fuzz_strtoint fuzz_cp932)

# torvale_configure_sanitized FOLDER SANITIZERS [cmake arguments...]: a build
# under -fsanitize=SANITIZERS, linked with them (libFuzzer's instrumentation,
# fuzzer-no-link, is for compiling only: each fuzz target adds its own main).
torvale_configure_sanitized() {
  local dir=$1 sanitizers=$2
  shift 2
  local flags="-fsanitize=$sanitizers -fno-sanitize-recover=all -fno-omit-frame-pointer -O1"
  cmake -S "$TORVALE_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTORVALE_TESTS=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_C_FLAGS_DEBUG=-gline-tables-only -DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=${sanitizers/,fuzzer-no-link/}" "$@" >/dev/null
}

# torvale_configure_asan: the one build under AddressSanitizer and
# UndefinedBehaviorSanitizer, in $TORVALE_ASAN_BUILD.  The tests under the
# sanitizers and the fuzz targets share it, so every source also carries
# libFuzzer's coverage instrumentation: one build of the program's sources
# instead of two.
torvale_configure_asan() {
  torvale_configure_sanitized "$TORVALE_ASAN_BUILD" address,undefined,fuzzer-no-link -DTORVALE_FUZZ=ON
}
