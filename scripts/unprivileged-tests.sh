#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test that opens a device or starts a server (the serial and
# measurement tests, the broker and HTTP tests) and the end-to-end runs once
# more as an ordinary user.  Root
# passes by the kernel's permission checks (an exclusive terminal, a device
# file's mode), so a fault that only ordinary users meet stays hidden when the
# suite runs as root.  Needs root (for runuser); the test programs are copied
# to a folder the test user can read, and that user gets a home and a runtime
# folder of its own, as in a login session.  The test programs run one after
# another, the end-to-end runs beside them (see below).
#
#   scripts/unprivileged-tests.sh [build folder]    (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-${TORVALE_BUILD:-$root/build}}
user=${TORVALE_TEST_USER:-nobody}
# The broker tests find mosquitto in /usr/sbin, off an ordinary user's PATH.
programs=(tests/serial/test_serial tests/window/test_window_measurement
  tests/publish/test_publish_broker tests/upload/test_upload
  tests/cli/test_cli_headless_upload tests/window/test_window_upload)

if [ "$(id -u)" -ne 0 ]; then
  echo "unprivileged-tests: not root, the normal run already was unprivileged"
  exit 0
fi
command -v runuser >/dev/null || { echo "unprivileged-tests: runuser is missing" >&2; exit 1; }

work=$(mktemp -d /tmp/torvale-unprivileged.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
mkdir -m 700 "$work/home" "$work/runtime"
chown "$user:" "$work/home" "$work/runtime"

# An ordinary user's PATH, without the sbin folders root's has.
user_path=/usr/local/bin:/usr/bin:/bin
# as_user [NAME=VALUE...] COMMAND...: COMMAND in $work as the user, in a login
# session's environment and the given one.
as_user() {
  (cd "$work" && timeout 300 runuser -u "$user" -- env -i PATH="$user_path" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" TMPDIR=/tmp "$@")
}

# The test programs one after another: they share the user's home and runtime folder.
test_programs() {
  local p name status=0
  for p in "${programs[@]}"; do
    name=$(basename "$p")
    echo "== $name as $user"
    as_user QT_QPA_PLATFORM=offscreen QTEST_DISABLE_STACK_DUMP=1 "./$name" --gtest_brief=1 ||
      status=1
  done
  return $status
}
for p in "${programs[@]}"; do install -m 755 "$build/$p" "$work/"; done

# The end-to-end runs, with the program, the counter and the scripts in the same layout.
mkdir -p "$work/tests/e2e" "$work/scripts"
install -m 755 "$build/app/torvale" "$build/tests/e2e/e2e_pulse_sender" \
  "$build/tests/e2e/e2e_week_log" "$work/"
install -m 644 "$root"/tests/e2e/*.sh "$root"/tests/e2e/*.py "$work/tests/e2e/"
install -m 644 "$root/scripts/helpers.sh" "$work/scripts/"
e2e_run() {
  echo "== $(basename "$1") as $user"
  as_user CI="${CI:-}" bash "$1" "$work/torvale" "$work/e2e_pulse_sender" "$work/e2e_week_log" \
    "$work/home/web-page.png"
}

# The end-to-end runs mostly wait on their shifted clocks, each in a folder
# and with an X server of its own, so they run beside each other and beside
# the test programs, at most TORVALE_TEST_JOBS (3) at once.  Each one's output
# is shown whole when it ends.
jobs_max=${TORVALE_TEST_JOBS:-3}
mkdir "$work/logs"
runs=(test_programs)
for script in "$work"/tests/e2e/*.sh; do
  [ "$(basename "$script")" = common.sh ] || runs+=("$script")
done
declare -A log_of=()
status=0
show_next() { # waits for the next run to end and shows its output
  local ended rc=0
  wait -n -p ended "${!log_of[@]}" || rc=$?
  cat "${log_of[$ended]}"
  [ "$rc" -eq 0 ] || { echo "== FAILED: $(basename "${log_of[$ended]}" .log) (status $rc)"; status=1; }
  unset "log_of[$ended]"
}
for run in "${runs[@]}"; do
  while [ "${#log_of[@]}" -ge "$jobs_max" ]; do show_next; done
  log=$work/logs/$(basename "$run" .sh).log
  if [ "$run" = test_programs ]; then test_programs >"$log" 2>&1 & else e2e_run "$run" >"$log" 2>&1 & fi
  log_of[$!]=$log
done
while [ "${#log_of[@]}" -gt 0 ]; do show_next; done
exit $status
