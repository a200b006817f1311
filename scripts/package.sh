#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE's Debian package (installing the Debian packages the build
# needs when missing, as run.sh does) and prints the package's path last:
#   ./scripts/package.sh
#   su - -c "apt-get install $PWD/build/packages/torvale_0.1_amd64.deb"
# Run as root in another user's tree, it hands what it made in the build
# folder back to that user, so that their next build is not refused.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
owner=$(stat -c %u:%g "$TORVALE_ROOT")
if [ "$(id -u)" -eq 0 ] && [ "$owner" != 0:0 ]; then
  case "$TORVALE_BUILD" in
    "$TORVALE_ROOT"/*) trap 'chown -R "$owner" "$TORVALE_BUILD" 2>/dev/null || true' EXIT ;;
  esac
fi
# dpkg-shlibdeps and file find the Depends of the linked libraries.
torvale_packages=("${torvale_program_packages[@]}" dpkg-dev file)
# Only the package's path goes to standard output.
torvale_install_packages >&2
TORVALE_TARGETS="torvale gmsim torvale_compressed_docs" torvale_build >&2
out=$TORVALE_BUILD/packages
rm -f "$out"/*.deb
cpack --config "$TORVALE_BUILD/CPackConfig.cmake" -B "$out" >&2
ls "$out"/*.deb
