#!/usr/bin/env bash
# Builds TORVALE (installing its Debian packages when missing) and runs the
# whole test suite through ctest.  Unit tests draw offscreen; the end-to-end
# test needs a real X server, so this script starts an Xvfb of its own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
torvale_install_packages
torvale_build RelWithDebInfo -DTORVALE_TESTS=ON
# Under CI, clang-tidy first: any warning in the program's sources fails the run.
if [ "${CI:-}" = true ]; then "$TORVALE_ROOT/scripts/tidy.sh"; fi

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    export DISPLAY=":$n"
    break
  fi
done

ctest --test-dir "$TORVALE_BUILD" --output-on-failure "$@"
# Root passes by permission checks an ordinary user meets: under CI, run the serial tests as one too.
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then "$TORVALE_ROOT/scripts/unprivileged-tests.sh" "$TORVALE_BUILD"; fi
# The .deb built, installed, run and removed again (under CI, or with TORVALE_PACKAGE_CHECK=1).
if [ "${CI:-}" = true ] || [ "${TORVALE_PACKAGE_CHECK:-}" = 1 ]; then "$TORVALE_ROOT/scripts/package-check.sh"; fi
# Under CI, the suite again under the sanitizers, then a minute of fuzzing for each reader.
if [ "${CI:-}" = true ]; then "$TORVALE_ROOT/scripts/sanitize.sh"; "$TORVALE_ROOT/scripts/fuzz.sh"; fi
