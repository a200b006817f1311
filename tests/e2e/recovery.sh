#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the real program left alone.  A simulated GM counter is pulled mid-minute
# (its process killed) and a new one appears on the same link 10 s later: the program must
# reopen it by itself, spend almost no CPU while it waits, and store every pulse sent.  Then the
# program is killed with SIGKILL.  Started again, it must offer the unsaved minutes; Yes must
# bring back every tallied one, and the next auto-save must hold them and settle the recovery
# copy.  libfaketime sets the program's clock just before each minute boundary it needs (it
# runs at the real pace in between), so the whole run takes about 40 s.
#
#   recovery.sh PROGRAM PULSE_SENDER
#
# Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}
before=30 # pulses before the adapter is pulled
after=10  # pulses after it is back

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools Xvfb xdotool iconv awk
require_faketime
make_work recovery
copy=$work/state/torvale/recovery.CSV
sender_a= sender_b=
process_vars="program_pid sender_a sender_b xvfb_pid"
start_watchdog 170

sum_of() { awk '{ s += $3 } END { print s + 0 }'; }

on_failure() {
  echo "---- recovery copy"
  [ -f "$copy" ] && cells "$copy"
}

holds_no_line() { ! ls -l /proc/"$program_pid"/fd 2>/dev/null | grep -q ' -> /dev/pts/'; }
cpu_ticks() { awk '{ print $14 + $15 }' /proc/"$program_pid"/stat; }

# The visible windows titled TORVALE: the main window is the large one, a question a small one.
find_window() { # find_window main|question
  local w width
  for w in $(xdotool search --onlyvisible --name '^TORVALE$' 2>/dev/null); do
    width=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
    [ -n "$width" ] || continue
    if { [ "$1" = main ] && [ "$width" -ge 640 ]; } || { [ "$1" = question ] && [ "$width" -lt 640 ]; }; then
      wid=$w
      return 0
    fi
  done
  return 1
}
main_window() { find_window main; }
question() { find_window question; }

at() { date -d "$future_year-12-07 $1" +%s; }
start_program() { # start_program CLOCK_TIME: the program's clock starts there and runs on
  set_clock "$(at "$1")"
  start_window "${clock_env[@]}"
}

# --- X server, first counter, program --------------------------------------------------------
start_x_server

start_sender "$before" 2 "$work/a.log"
sender_a=$!
a_ready() { [ -L "$link" ] && [ -s "$work/a.log" ]; }
wait_for 10 "the first counter" a_ready
slave_a=$(head -1 "$work/a.log")

install_program
write_settings false
start_program 10:20:45
wait_for 20 "the main window" main_window
wait_for 10 "the settings to be restored" settings_restored
click 84 20 # Button_start
wait_for 5 "the program to open $slave_a" has_open "$slave_a"
kill -USR1 "$sender_a"
log "measuring; $before pulses across the minute boundary"

# --- the adapter is pulled mid-minute and comes back 10 s later -------------------------------
wait_for 30 "the first counter to send" sender_done "$work/a.log"
kill -KILL "$sender_a"
wait "$sender_a" 2>/dev/null
sender_a=
wait_for 5 "the program to let the lost line go" holds_no_line
ticks0=$(cpu_ticks)
sleep 10 # a measurement: five reopening attempts' worth of the program's CPU time
ticks1=$(cpu_ticks)
hz=$(getconf CLK_TCK)
cpu=$(awk -v t=$((ticks1 - ticks0)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 10 }')
log "10 s without the counter: $cpu % CPU"
awk -v c="$cpu" 'BEGIN { exit !(c < 1) }' || fail "the program spent $cpu % CPU waiting for the port"

start_sender "$after" 2 "$work/b.log"
sender_b=$!
b_ready() { [ -s "$work/b.log" ]; }
wait_for 10 "the second counter" b_ready
slave_b=$(head -1 "$work/b.log")
wait_for 6 "the program to reopen $port ($slave_b)" has_open "$slave_b"
kill -USR1 "$sender_b"
log "reopened; $after more pulses"
wait_for 15 "the second counter to send" sender_done "$work/b.log"
# On to just before the next minute's tally (never back: that would be a clock set back).
[ "$(shifted_now)" -lt "$(at 10:21:57)" ] && set_clock "$(at 10:21:57)"

total=$((before + after))
copy_holds_all() { [ -f "$copy" ] && [ "$(cells "$copy" | sum_of)" = "$total" ]; }
wait_for 30 "the recovery copy to hold all $total pulses" copy_holds_all
tallied=$(cells "$copy")
log "recovery copy: $(printf '%s\n' "$tallied" | awk '{ printf "row %s: %s  ", $1, $3 }')"

# --- killed, started again, Yes ---------------------------------------------------------------
kill -KILL "$program_pid"
wait "$program_pid" 2>/dev/null
program_pid=
sed -i 's/AutSave=false/AutSave=true/' "$ini"
start_program 10:30:50
wait_for 20 "the question about the unsaved minutes" question
press Return
no_question() { ! question; }
wait_for 5 "the question to close" no_question
log "the question came and was answered Yes"

wait_for 10 "the main window again" main_window
click 84 20 # Button_start
wait_for 5 "the program to open $port again (a fresh line of the second counter)" program_has_open
saved="$data/${future_year}年12月7日/TORVALE ${future_year}年12月7日10時31分.CSV"
auto_saved() { [ -f "$saved" ]; }
wait_for 30 "the auto-save of 10:31" auto_saved
expected=$(printf '%s\n%s\n' "$tallied" "632 1 0" | sort -n)
found=$(cells "$saved" | sort -n)
[ "$found" = "$expected" ] || fail "the auto-save holds
$found
instead of the restored minutes and 10:31
$expected"
[ -e "$copy" ] && fail "the auto-save did not settle the recovery copy"
log "every tallied minute is back, and the auto-save settled the copy"

kill -TERM "$program_pid"
wait_for 10 "SIGTERM to end the program" program_ended
pass
