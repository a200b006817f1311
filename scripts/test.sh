#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE (installing its Debian packages when missing) and runs the
# whole test suite through ctest.  Unit tests draw offscreen; each end-to-end
# test starts an X server of its own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# Under CI, the sanitizer builds' compiler too, now: they start beside the tests.
if [ "${CI:-}" = true ]; then torvale_packages+=(clang libclang-rt-14-dev); fi
torvale_install_packages

# stage TITLE COMMAND...: runs COMMAND and says how long it took, so that a
# slow stage shows in the run's log.
stage() {
  local title=$1 start=$SECONDS
  shift
  "$@"
  printf '== %s: %d s (%d s into the run)\n' "$title" $((SECONDS - start)) "$SECONDS"
}
# Under CI, first and cheap: every text of the program translated, none left over.
if [ "${CI:-}" = true ]; then stage translations "$TORVALE_ROOT/scripts/check-translations.sh"; fi
# Under CI, line tables for debug information: a failure's backtrace still
# names functions, files and lines, and the build is a tenth faster.
debug_info=()
if [ "${CI:-}" = true ]; then debug_info=(-DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"); fi
stage build torvale_build RelWithDebInfo -DTORVALE_TESTS=ON "${debug_info[@]}"

# background NICE LOG COMMAND...: COMMAND at a low priority, in a session of
# its own so that a failed stage stops it too (see the trap below); the kernel
# shares the processor fairly between sessions whatever their processes' nice
# values, so the session itself is given the priority as well.  Sets $!.
background() {
  setsid bash -c 'echo "$0" >/proc/self/autogroup 2>/dev/null || true; exec nice -n "$0" "$@"' \
    "$1" "${@:3}" >"$2" 2>&1 &
}
# Under CI, the processor time the tests leave (they mostly wait on clocks,
# servers and timers) goes to work that would otherwise come after them: the
# sanitizer builds first, and clang-tidy (any warning in the program's sources
# fails the run) with whatever is left.  The sanitizer builds are waited for
# before their tests, clang-tidy last.
tidy_pid= sanitizer_build_pid=
if [ "${CI:-}" = true ]; then
  trap 'kill -- ${sanitizer_build_pid:+"-$sanitizer_build_pid"} ${tidy_pid:+"-$tidy_pid"} 2>/dev/null || true' EXIT
  background 10 "$TORVALE_BUILD/sanitizer-build.log" "$TORVALE_ROOT/scripts/sanitize.sh" --build
  sanitizer_build_pid=$!
  background 19 "$TORVALE_BUILD/tidy.log" "$TORVALE_ROOT/scripts/tidy.sh"
  tidy_pid=$!
fi

# wait_background PID LOG TITLE: waits for a background stage, shows its output, fails as it failed.
wait_background() {
  local status=0
  wait "$1" || status=$?
  cat "$2"
  echo "== $3 done $SECONDS s into the run"
  [ "$status" -eq 0 ] || exit "$status"
}

# Root passes by permission checks an ordinary user meets: under CI, run the serial, measurement
# and end-to-end tests as one too.  The end-to-end runs then run only as that user: they are
# minutes of real time, and as root they would prove nothing more.
root_skips=()
if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then root_skips=(-LE e2e); fi
stage ctest ctest --test-dir "$TORVALE_BUILD" --output-on-failure "${root_skips[@]}" "$@"
if [ ${#root_skips[@]} -gt 0 ]; then
  stage "ordinary user" "$TORVALE_ROOT/scripts/unprivileged-tests.sh" "$TORVALE_BUILD"
fi
# The .deb built, installed, run and removed again (under CI, or with TORVALE_PACKAGE_CHECK=1).
if [ "${CI:-}" = true ] || [ "${TORVALE_PACKAGE_CHECK:-}" = 1 ]; then stage package "$TORVALE_ROOT/scripts/package-check.sh"; fi
# Under CI, the suite again under the sanitizers, then a minute of fuzzing for each reader.
if [ "${CI:-}" = true ]; then
  wait_background "$sanitizer_build_pid" "$TORVALE_BUILD/sanitizer-build.log" "sanitizer builds"
  stage sanitizers "$TORVALE_ROOT/scripts/sanitize.sh"
  stage fuzzing "$TORVALE_ROOT/scripts/fuzz.sh"
  wait_background "$tidy_pid" "$TORVALE_BUILD/tidy.log" clang-tidy
fi
