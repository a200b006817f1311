#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TORVALE (installing its Debian packages when missing) and runs the
# whole test suite through ctest.  Unit tests draw offscreen; each end-to-end
# test starts an X server of its own.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
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
stage build torvale_build RelWithDebInfo -DTORVALE_TESTS=ON
# Under CI, clang-tidy: any warning in the program's sources fails the run.
# It is CPU-bound and long, so it runs beside everything that follows at the
# lowest priority, taking the processor time the stages leave (the end-to-end
# runs mostly wait on clocks, ThreadSanitizer runs on one processor), and is
# waited for last.  In a session of its own, so that a failed stage stops it
# too; the kernel shares the processor fairly between sessions, so that
# session is given the lowest priority as well.
tidy_pid=
if [ "${CI:-}" = true ]; then
  setsid bash -c 'echo 19 >/proc/self/autogroup 2>/dev/null || true; exec nice -n 19 "$0"' \
    "$TORVALE_ROOT/scripts/tidy.sh" >"$TORVALE_BUILD/tidy.log" 2>&1 &
  tidy_pid=$!
  trap 'kill -- "-$tidy_pid" 2>/dev/null || true' EXIT
fi

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
  stage sanitizers "$TORVALE_ROOT/scripts/sanitize.sh"
  stage fuzzing "$TORVALE_ROOT/scripts/fuzz.sh"
fi
if [ -n "$tidy_pid" ]; then
  tidy_status=0
  wait "$tidy_pid" || tidy_status=$?
  cat "$TORVALE_BUILD/tidy.log"
  echo "== clang-tidy done $SECONDS s into the run"
  [ "$tidy_status" -eq 0 ] || exit "$tidy_status"
fi
