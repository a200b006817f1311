#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE (installing its Debian packages when missing) and runs the
# whole test suite through ctest.  Unit tests draw offscreen; each end-to-end
# test starts an X server of its own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
torvale_install_packages
torvale_build RelWithDebInfo -DTORVALE_TESTS=ON
# Under CI, clang-tidy first: any warning in the program's sources fails the run.
if [ "${CI:-}" = true ]; then "$TORVALE_ROOT/scripts/tidy.sh"; fi

ctest --test-dir "$TORVALE_BUILD" --output-on-failure "$@"
# Root passes by permission checks an ordinary user meets: under CI, run the serial, measurement
# and end-to-end tests as one too.
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then "$TORVALE_ROOT/scripts/unprivileged-tests.sh" "$TORVALE_BUILD"; fi
# The .deb built, installed, run and removed again (under CI, or with TORVALE_PACKAGE_CHECK=1).
if [ "${CI:-}" = true ] || [ "${TORVALE_PACKAGE_CHECK:-}" = 1 ]; then "$TORVALE_ROOT/scripts/package-check.sh"; fi
# Under CI, the suite again under the sanitizers, then a minute of fuzzing for each reader.
if [ "${CI:-}" = true ]; then "$TORVALE_ROOT/scripts/sanitize.sh"; "$TORVALE_ROOT/scripts/fuzz.sh"; fi
