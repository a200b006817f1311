#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the Debian packages the build
# needs when they are missing (as root), configures and builds into build/.
set -euo pipefail

TORVALE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TORVALE_BUILD=${TORVALE_BUILD:-$TORVALE_ROOT/build}

torvale_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-charts-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont xvfb xauth
  xdotool
)

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
    echo "Missing Debian packages. Run this, then try again:"
    echo "  sudo apt-get update && sudo apt-get install -y $missing"
    exit 1
  fi
  echo "Installing: $missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing
}

torvale_build() {
  local type=${1:-RelWithDebInfo}
  cmake -S "$TORVALE_ROOT" -B "$TORVALE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="$type" >/dev/null
  cmake --build "$TORVALE_BUILD"
}
