#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the tests under the sanitizers, each configuration in a build folder of
# its own (clang, Debug at -O1 so that assertions stay on, the tests' own code
# unoptimised: see tests/CMakeLists.txt):
#   build-asan  everything with AddressSanitizer (leaks included) and
#               UndefinedBehaviorSanitizer; the whole ctest suite but the
#               end-to-end run (label e2e), which needs the real program for
#               minutes.  scripts/fuzz.sh builds its targets here too;
#   build-tsan  the serial component's tests and the window's measurement
#               tests with ThreadSanitizer: the comm thread's hand-over, close
#               during a dispatch, the lost device, and every other test those
#               two programs hold.
# Every report fails the run: nothing recovers.  The only suppressions are
# in tests/sanitize/tsan.supp, for Qt's own threads (see there); where our
# threads post into Qt's event queues, core/QtPostUnseen.h covers the post.
# The two runs go side by side (ThreadSanitizer's on one processor, see
# below), each one's output shown whole when both have ended.
#
#   sanitize.sh [ctest arguments...]   builds what is missing, runs both;
#                                      the arguments go to both ctest runs
#   sanitize.sh --build                only builds both, and the fuzz targets
#                                      (scripts/test.sh does so early, beside
#                                      the other tests)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
torvale_packages+=(clang libclang-rt-14-dev)
torvale_install_packages

supp=$TORVALE_ROOT/tests/sanitize
asan_build=$TORVALE_ASAN_BUILD
tsan_build=${TORVALE_TSAN_BUILD:-$TORVALE_ROOT/build-tsan}

# build_tests <folder> <ctest selection...>: builds only the programs the
# selected tests run: a test named after its program, and every program of
# the build a test names by path (in its command, or as a required file:
# before the build, ctest knows no command of a program not yet built).
build_tests() {
  local dir name targets=()
  dir=$(realpath "$1")
  shift
  while read -r name; do
    ninja -C "$dir" -t query "$name" >/dev/null 2>&1 && targets+=("$name")
  done < <({
    ctest --test-dir "$dir" -N "$@" | sed -n 's/^ *Test *#[0-9]*: *//p'
    ctest --test-dir "$dir" --show-only=json-v1 "$@" | grep -oE "$dir/[^\"]+" | xargs -n1 basename
  } | sort -u)
  [ ${#targets[@]} -gt 0 ] || { echo "sanitize: no test programs selected in $dir" >&2; exit 1; }
  cmake --build "$dir" --target "${targets[@]}"
}

tsan_tests='^(test_serial|test_window_measurement)$'
build_all() {
  torvale_configure_asan
  build_tests "$asan_build" -LE e2e
  cmake --build "$asan_build" --target "${torvale_fuzz_targets[@]}"
  torvale_configure_sanitized "$tsan_build" thread
  build_tests "$tsan_build" -R "$tsan_tests"
}

asan_run() {
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer ($asan_build)"
  ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$asan_build" --output-on-failure -LE e2e "$@"
}

# On one CPU: QtGui's conversion pool then has one thread, whose unsymbolised
# bookkeeping cannot race with a second.  The sanitizer orders accesses by
# happens-before, not by timing, so the comm thread's races are found as well.
tsan_run() {
  echo "== ThreadSanitizer ($tsan_build)"
  local first_cpu
  first_cpu=$(taskset -pc $$ | sed 's/.*: *//; s/[-,].*//')
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$supp/tsan.supp \
    taskset -c "$first_cpu" ctest --test-dir "$tsan_build" --output-on-failure -R "$tsan_tests" "$@"
}

if [ "${1:-}" = --build ]; then
  build_all
  echo "== sanitizer builds: ${SECONDS}s"
  exit 0
fi
build_all
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
asan_run "$@" >"$logs/asan.log" 2>&1 &
asan_pid=$!
tsan_run "$@" >"$logs/tsan.log" 2>&1 &
tsan_pid=$!
status=0
wait "$asan_pid" || status=1
cat "$logs/asan.log"
wait "$tsan_pid" || status=1
cat "$logs/tsan.log"
echo "== sanitizer runs: ${SECONDS}s"
exit $status
