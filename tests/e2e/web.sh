#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the web page: `torvale --headless --http 0` continues a week's log on a
# simulated counter, under a shifted clock, and tallies two minutes.  Headless Chromium opens
# the page; the charts must hold every stored minute of the eight days, as /api/minutes gives
# them, and the page its readout.  The screenshot is kept.
#
#   web.sh PROGRAM PULSE_SENDER WEEK_LOG SCREENSHOT
#
# Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}
week_log=${3:?week log writer}
screenshot=${4:?screenshot file}

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools chromium curl
require_faketime
[ -f /usr/share/javascript/dygraphs/dygraph.min.js ] || skip "libjs-dygraphs is not installed"
make_work e2e-web
link=$work/ports/$port
poll_seconds=0.1
start_watchdog 80

# Chromium of the run's own: its profile in the run, no sandbox when root, no network but the
# logger's (the page fetches nothing else).
browse() { # browse ARGS... URL
  timeout 40 chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/chromium" --window-size=1100,1000 --virtual-time-budget=8000 \
    --lang=en-US "$@" 2>>"$work/chromium.log"
}
web_line() { grep -q '^web page at http://' "$work/err.txt"; }

day=$future_year-05-08
stored=$("$week_log" "$work/week.csv" "$day") || fail "could not write the week's log"
start_counter 40 8
tally=$(date -d "$day 12:00:00" +%s)
set_clock $((tally - 8))
(cd "$work" && exec env -u DISPLAY XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" \
  "${clock_env[@]}" "$program" --headless --port "$link" --data "$data" --open "$work/week.csv" \
  --factor 151 --http 0) >"$work/out.txt" 2>"$work/err.txt" &
program_pid=$!
wait_for 20 "the web page's address" web_line
base=$(sed -n 's|^web page at \(http://[^/]*\)/$|\1|p' "$work/err.txt")
grep -q '^warning:' "$work/err.txt" && fail "a warning for an address on loopback"
kill -USR1 "$sender_pid"
tallied() { [ -s "$work/out.txt" ]; }
wait_for 30 "the minute tally" tallied
# The first tally is a part of a minute, left out of the readout's mean: a second, whole one
# (no pulses) gives the page its mean and dose rate.
set_clock $((tally + 58))
tallied_twice() { [ "$(wc -l <"$work/out.txt")" -ge 2 ]; }
wait_for 30 "the second minute tally" tallied_twice
log "logger at $base, two minutes tallied: $(tr '\n' ' ' <"$work/out.txt")"

# The API the page draws from, with the page's own span.
curl -sf "$base/api/minutes?from=$future_year-05-01T00:00&to=${day}T23:59" >"$work/minutes.json" ||
  fail "/api/minutes failed"
rows=$(grep -o '"time"' "$work/minutes.json" | wc -l)
[ "$rows" = $((stored + 2)) ] || fail "/api/minutes has $rows rows, not $stored stored + 2 tallied"

browse --dump-dom "$base/" >"$work/dom.html" || fail "chromium could not open the page"
points=$(sed -n 's/.*<body[^>]* data-points="\([0-9]*\)".*/\1/p' "$work/dom.html")
today=$(sed -n 's/.*<body[^>]* data-today="\([0-9]*\)".*/\1/p' "$work/dom.html")
[ "$points" = "$rows" ] || fail "the week's chart drew ${points:-no} points, not $rows"
[ "$today" = $((11 * 60 + 2)) ] || fail "today's chart drew ${today:-no} points, not $((11 * 60 + 2))"
grep -q 'class="dygraph-' "$work/dom.html" || fail "no dygraphs chart in the page"
grep -q 'µSv/h' "$work/dom.html" || fail "the readout has no dose rate"
log "the charts drew $points minutes, $today of them today"

browse --screenshot="$work/page.png" "$base/" >/dev/null || fail "no screenshot"
[ -s "$work/page.png" ] || fail "the screenshot is empty"
cp "$work/page.png" "$screenshot" || fail "cannot keep the screenshot as $screenshot"
log "screenshot kept as $screenshot"
pass
