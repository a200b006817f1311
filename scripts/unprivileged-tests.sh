#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test that opens a device or starts a server (the serial and
# measurement tests, the broker and HTTP tests) and the end-to-end runs once
# more as an ordinary user.  Root
# passes by the kernel's permission checks (an exclusive terminal, a device
# file's mode), so a fault that only ordinary users meet stays hidden when the
# suite runs as root.  Needs root (for runuser); the test programs are copied
# to a folder the test user can read, and that user gets a home and a runtime
# folder of its own, as in a login session.
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
status=0
for p in "${programs[@]}"; do
  name=$(basename "$p")
  install -m 755 "$build/$p" "$work/$name"
  echo "== $name as $user"
  (cd "$work" && timeout 300 runuser -u "$user" -- env -i PATH="$user_path" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" TMPDIR=/tmp \
    QT_QPA_PLATFORM=offscreen QTEST_DISABLE_STACK_DUMP=1 \
    "./$name" --gtest_brief=1) || status=1
done

# The end-to-end runs, with the program, the counter and the scripts in the same layout.
mkdir -p "$work/tests/e2e" "$work/scripts"
install -m 755 "$build/app/torvale" "$build/tests/e2e/e2e_pulse_sender" \
  "$build/tests/e2e/e2e_week_log" "$work/"
install -m 644 "$root"/tests/e2e/*.sh "$root"/tests/e2e/*.py "$work/tests/e2e/"
install -m 644 "$root/scripts/helpers.sh" "$work/scripts/"
for script in "$work"/tests/e2e/*.sh; do
  [ "$(basename "$script")" = common.sh ] && continue
  echo "== $(basename "$script") as $user"
  (cd "$work" && timeout 300 runuser -u "$user" -- env -i PATH="$user_path" \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" TMPDIR=/tmp CI="${CI:-}" \
    bash "$script" "$work/torvale" "$work/e2e_pulse_sender" "$work/e2e_week_log" \
    "$work/home/web-page.png") || status=1
done
exit $status
