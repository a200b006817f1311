#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the logger without a window: no display, no Qt platform plugin.  A simulated
# GM counter on a pseudo-terminal, `torvale --headless` across two minute tallies, ended by
# SIGTERM; then a second run that continues the newest file with --open.  The auto-saved files
# are checked by name, format and counts against the pulses the counter sent, and against the
# lines the logger printed.
#
#   headless.sh PROGRAM PULSE_SENDER
#
# The program runs under a shifted clock (libfaketime, an offset in a file that is read at
# every clock reading), set a few seconds before each minute boundary on a fixed day, so the
# whole run takes well under a minute.  Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}
pulses=30
per_second=3

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools iconv awk
require_faketime
make_work e2e-headless
link=$work/ports/$port # a folder of the run's own, whoever runs it
poll_seconds=0.1
start_watchdog 110

at() { date -d "$1" +%s; }

# The program with no display and no platform named, under the shifted clock.
start_logger() {
  (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" \
    "${clock_env[@]}" "$program" --headless "$@") >"$work/out.txt" 2>"$work/err.txt" &
  program_pid=$!
}
file_written() { [ -f "$1" ]; }
out_lines() { [ "$(wc -l <"$work/out.txt")" -ge "$1" ]; }
end_logger() { # SIGTERM; must exit 0 with the port and its lock file released
  kill -TERM "$program_pid"
  await_end 10 "SIGTERM to end the logger"
  [ "$status" = 0 ] || fail "the logger ended by SIGTERM with status $status"
  [ -e "$lock" ] && fail "the lock file $lock is left after SIGTERM"
  grep -qxF "Com Port $link Close" "$work/err.txt" || fail "no 'Close' line on standard error"
}
out_line() { printf '%s\t%s\t%s' "$(date -d "@$1" '+%Y-%m-%dT%H:%M%:z')" "$2" "$(log_file "$1")"; }

start_counter "$pulses" "$per_second"
lock=$(lock_of "$slave")
log "counter on $slave, published as $link"

# --- refusals at start ----------------------------------------------------------------------
set_clock "$(at "$future_year-05-01 12:00:00")"
start_logger --port "$work/no-such-port" --data "$data"
await_end 10 "the logger to give up on a missing port"
[ "$status" = 1 ] || fail "a missing port ended the logger with status $status, not 1"
grep -q "^error: cannot open the port $work/no-such-port" "$work/err.txt" ||
  fail "no clear message for a missing port"
touch "$work/a-file"
start_logger --port "$link" --data "$work/a-file/data"
await_end 10 "the logger to give up on a data folder it cannot make"
[ "$status" = 1 ] || fail "a data folder that cannot be made ended with status $status, not 1"
grep -q "^error: cannot make or write the data folder" "$work/err.txt" ||
  fail "no clear message for the data folder"
log "a missing port and a data folder that cannot be made end the logger with status 1"

# --- two minute tallies, ended by SIGTERM ---------------------------------------------------
first=$(at "$future_year-05-01 12:35:00")
second=$((first + 60))
set_clock $((first - 20))
start_logger --port "$link" --data "$data"
wait_for 20 "the logger to open $link" program_has_open
lock=$(lock_of "$(current_line)")
grep -q '/platforms/' /proc/"$program_pid"/maps && fail "the logger loaded a Qt platform plugin"
[ -f "$lock" ] || fail "no lock file $lock while measuring"
# The counter sends for 10 s from 5 s before the boundary: both minutes get pulses.
set_clock $((first - 5))
kill -USR1 "$sender_pid"
log "measuring from $(date -d "@$((first - 5))" '+%F %T') on the logger's clock"

first_file=$(log_file "$first")
second_file=$(log_file "$second")
wait_for 20 "the auto-saved file $first_file" file_written "$first_file"
wait_for 20 "the counter to send $pulses pulses" sender_done
sent=$(sed -n 's/^sent //p' "$work/sender.log")
[ "$sent" = "$pulses" ] || fail "the counter sent $sent pulses, not $pulses"
set_clock $((second - 4)) # 4 s for the last pulses to reach the logger
wait_for 20 "the auto-saved file $second_file" file_written "$second_file"
wait_for 5 "the second line on standard output" out_lines 2
end_logger
log "two tallies written, SIGTERM ended the logger with status 0 and released $lock"

found=$(find "$data" -type f | sort)
[ "$found" = "$(printf '%s\n' "$first_file" "$second_file" | sort)" ] ||
  fail "auto-saved files differ from the two expected"
check_log_file "$first_file" "$first"
check_log_file "$second_file" "$second"

first_row=$(minute_row "$first")
second_row=$(minute_row "$second")
n1=$(cells "$second_file" | awk -v r="$first_row" '$1 == r && $2 == 1 { print $3 }')
n2=$(cells "$second_file" | awk -v r="$second_row" '$1 == r && $2 == 1 { print $3 }')
[ "$(cells "$second_file" | wc -l)" = 2 ] && [ -n "$n1" ] && [ -n "$n2" ] ||
  fail "$second_file should hold counts in rows $first_row and $second_row alone"
[ "$n1" -gt 0 ] && [ "$n2" -gt 0 ] || fail "a minute got no pulses ($n1, $n2): the run was too slow"
[ $((n1 + n2)) = "$sent" ] || fail "stored $n1 + $n2 pulses, sent $sent"
[ "$(cells "$first_file")" = "$first_row 1 $n1" ] || fail "$first_file holds other counts"
[ "$(cat "$work/out.txt")" = "$(out_line "$first" "$n1")"$'\n'"$(out_line "$second" "$n2")" ] ||
  fail "standard output is not one line per tally with its count and file"
log "stored $n1 + $n2 = $sent pulses, as sent; the files and the printed lines agree"

# --- continuing the newest file -------------------------------------------------------------
third=$(at "$future_year-05-01 13:01:00")
set_clock $((third - 5))
start_logger --port "$link" --data "$data" --open "$second_file"
wait_for 20 "the logger to open $link again" program_has_open
lock=$(lock_of "$(current_line)")
third_file=$(log_file "$third")
wait_for 20 "the auto-saved file $third_file" file_written "$third_file"
wait_for 5 "the line on standard output" out_lines 1
end_logger
check_log_file "$third_file" "$third"
[ "$(cells "$third_file")" = "$first_row 1 $n1"$'\n'"$second_row 1 $n2"$'\n'"$(minute_row "$third") 1 0" ] ||
  fail "$third_file does not continue $second_file"
[ "$(cat "$work/out.txt")" = "$(out_line "$third" 0)" ] || fail "wrong line for the continued log"
log "--open continued the log: its counts are in the next file"

pass
