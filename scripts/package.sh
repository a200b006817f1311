#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE's Debian package (installing the Debian packages the build
# needs when missing, as run.sh does) and prints the package's path last:
#   ./scripts/package.sh
#   apt-get install ./build/packages/torvale_*.deb     (as root)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# dpkg-shlibdeps and file find the Depends of the linked libraries.
torvale_packages=("${torvale_program_packages[@]}" dpkg-dev file)
# Only the package's path goes to standard output.
torvale_install_packages >&2
TORVALE_TARGETS="torvale gmsim torvale_compressed_docs" torvale_build >&2
out=$TORVALE_BUILD/packages
rm -f "$out"/*.deb
cpack --config "$TORVALE_BUILD/CPackConfig.cmake" -B "$out" >&2
ls "$out"/*.deb
