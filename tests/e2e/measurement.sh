#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the real program: an X server of its own, a simulated GM counter on a
# pseudo-terminal, a measurement with auto-save across two minute tallies, stop with Esc, close
# with EXIT.  The program runs under a shifted clock (libfaketime, monotonic time left alone):
# it starts measuring at 10:00:40, and once the pulses are sent its clock is set forward to
# just before 10:02 within the same minute.  Then the auto-saved log files, their counts and the settings file are
# checked against the pulses the counter sent.  Last, the program is started again, measures,
# and is ended with SIGTERM as at logout: it must close as from the close box.
#
#   measurement.sh PROGRAM PULSE_SENDER
#
# PROGRAM is copied into a temporary folder so that its settings file goes beside the copy.
# Takes about 40 s.  Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}
pulses=${TORVALE_E2E_PULSES:-50}
per_second=2

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools Xvfb xdotool iconv awk
require_faketime
make_work e2e
start_watchdog 110

on_failure() {
  [ -f "$ini" ] && echo "---- $ini" && iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r'
  local last
  last=$(find "$data" -type f -name '*.CSV' 2>/dev/null | sort | tail -1)
  if [ -n "$last" ]; then
    echo "---- $last"
    iconv -f CP932 -t UTF-8 "$last" | sed -n 1,3p | tr -d '\r'
    echo "(non-empty minute cells: row column value)"
    cells "$last"
  fi
}

# --- X server, counter, program -------------------------------------------------------------
start_x_server
log "X server on $DISPLAY"

start_counter "$pulses" "$per_second"
log "counter on $slave, published as $link"

install_program
# The restore picks the counter's port, the data folder and auto-save.
write_settings true
base=$(date -d "$future_year-03-10 10:00:00" +%s)
set_clock $((base + 30))
start_window "${clock_env[@]}" NO_FAKE_STAT=1
wait_for 20 "the main window" window_found
wait_for 10 "the settings to be restored" settings_restored
log "window $wid is up"

# --- measurement ----------------------------------------------------------------------------
# Start at 10:00:40 so that the pulses (25 s at 2 a second) straddle the first minute boundary.
set_clock $((base + 40))
click 84 20 # Button_start
wait_for 5 "the program to open $link after パルスカウント開始" program_has_open
kill -USR1 "$sender_pid"
first=$((base + 60))
second=$((first + 60))
log "measuring; tallies expected at $(date -d "@$first" +%T) and $(date -d "@$second" +%T)"

wait_for 40 "the counter to send $pulses pulses" sender_done
sent=$(sed -n 's/^sent //p' "$work/sender.log")
[ "$sent" = "$pulses" ] || fail "the counter sent $sent pulses, not $pulses"
log "counter sent $sent pulses"
[ "$(shifted_now)" -lt $((second - 10)) ] || fail "sending lasted into the second minute's end"
set_clock $((second - 3))

first_file=$(log_file "$first")
last_file=$(log_file "$second")
last_written() { [ -f "$last_file" ]; }
wait_for 20 "the auto-saved file $last_file" last_written
wait_for 5 "the window to show $last_file" title_is "$last_file"

press Escape
wait_for 5 "Esc to stop the measurement (close the port)" program_lacks_open
log "stopped with Esc"

click 692 20 # button_EXIT
await_end 10 "EXIT to end the program"
[ "$status" = 0 ] || fail "the program ended with status $status"
log "program closed by EXIT"

# --- the auto-saved files -------------------------------------------------------------------
expected=$(printf '%s\n' "$first_file" "$last_file" | sort)
found=$(find "$data" -type f | sort)
[ "$found" = "$expected" ] || fail "auto-saved files differ; expected:
$expected
found:
$found"

# A run across midnight gives the second tally a day column of its own.
first_col=1
check_log_file "$first_file" "$first"
if [ "$(day_folder "$first")" = "$(day_folder "$second")" ]; then
  check_log_file "$last_file" "$second"
else
  check_log_file "$last_file" "$second" "$first"
  first_col=2
fi

# Counts in the last file: only the two tallied minutes hold a count, and together exactly
# the pulses sent.
first_row=$(minute_row "$first")
second_row=$(minute_row "$second")
last_cells=$(cells "$last_file")
read -r sum others < <(printf '%s\n' "$last_cells" | awk -v a="$first_row" -v ac="$first_col" \
  -v b="$second_row" '{ s += $3 } !($1 == a && $2 == ac || $1 == b && $2 == 1) || $3 !~ /^[0-9]+$/ {
  o++ } END { print s + 0, o + 0 }')
[ "$others" = 0 ] ||
  fail "cells other than the two tallied minutes (rows $first_row and $second_row) hold counts"
[ "$sum" = "$pulses" ] || fail "the counts in $last_file add up to $sum, not $pulses"
[ "$(cells "$first_file" | awk '{ print $1, $3 }')" = \
  "$(printf '%s\n' "$last_cells" | awk -v a="$first_row" -v ac="$first_col" '$1 == a && $2 == ac {
    print $1, $3 }')" ] || fail "the first file's count differs from the one kept in the table"
log "counts: $(printf '%s\n' "$last_cells" | awk '{ printf "row %s: %s  ", $1, $3 }')= $sum"

# --- the settings file ----------------------------------------------------------------------
check_settings() {
  [ -f "$ini" ] || fail "no settings file $ini"
  keys=$(iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r' | sed -n 's/=.*//p' | tr '\n' ' ')
  [ "$keys" = "Form1.Left Form1.Top Form1.Width Form1.Height portname Button_MoveToLeft.left Button_MoveToRight.left StringGrid1.Width Chart1.Width Chart1.left data_Directory AutSave " ] ||
    fail "settings keys are: $keys"
  [ "$(head -1 "$ini" | tr -d '\r')" = "[TORVALE]" ] || fail "settings file does not begin with [TORVALE]"
  for kv in "portname=$port" "data_Directory=$data" "AutSave=true"; do
    iconv -f CP932 -t UTF-8 "$ini" | tr -d '\r' | grep -qxF "$kv" || fail "settings file lacks $kv"
  done
}
check_settings
log "settings file written with its twelve keys"

# --- ended by SIGTERM while measuring -------------------------------------------------------
# The settings file is cut back to the keys the restore needs, so only the close can write it
# whole again.
write_settings true
start_window "${clock_env[@]}" NO_FAKE_STAT=1
wait_for 20 "the main window again" window_found
wait_for 10 "the settings to be restored" settings_restored
click 84 20 # Button_start
wait_for 5 "the program to open $link again" program_has_open
lock=$(lock_of "$(current_line)")
[ -f "$lock" ] || fail "no lock file $lock while measuring"
kill -TERM "$program_pid"
await_end 10 "SIGTERM to end the program"
[ "$status" = 0 ] || fail "the program ended by SIGTERM with status $status"
[ -e "$lock" ] && fail "the lock file $lock is left after SIGTERM"
check_settings
log "SIGTERM closed the program: status 0, settings file whole, lock file gone"

pass
