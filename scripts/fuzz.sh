#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of tests/fuzz with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang, in the sanitizer build that
# scripts/sanitize.sh uses, build-asan/, the libraries they call instrumented
# too) and runs each for TORVALE_FUZZ_SECONDS seconds (60), two at a time,
# starting from its seed corpus in tests/fuzz/corpus/.  A crash, a leak, a
# time-out or a failed property fails the script; its reproducer is left in
# build-asan/findings/.  Prints the executions of every target.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
torvale_packages+=(clang libclang-rt-14-dev)
torvale_install_packages

build=$TORVALE_ASAN_BUILD
seconds=${TORVALE_FUZZ_SECONDS:-60}
targets=("${torvale_fuzz_targets[@]}")

torvale_configure_asan
cmake --build "$build" --target "${targets[@]}"
echo "== fuzz targets built: ${SECONDS}s"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"

# fuzz <target>: its log goes to build-asan/<target>.log.
fuzz() {
  local name=${1#fuzz_}
  mkdir -p "$build/corpus/$name"
  "$build/tests/fuzz/$1" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$1-" \
    "$build/corpus/$name" "$TORVALE_ROOT/tests/fuzz/corpus/$name" >"$build/$1.log" 2>&1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    fuzz "$t" &
    pids+=($!)
  done
  for ((k = 0; k < ${#pids[@]}; ++k)); do
    t=${targets[i + k]}
    if wait "${pids[k]}"; then
      status=ok
    else
      status=FAILED
      failed=1
      echo "---- $t"
      grep -v '^#' "$build/$t.log" | tail -n 60
    fi
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$t.log")
    printf '%-16s %-6s %12s executions in %ss\n' "$t" "$status" "${execs:-?}" "$seconds"
  done
done
echo "== fuzzing: ${SECONDS}s in all"
exit "$failed"
