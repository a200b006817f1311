#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end run of the real program on the night daylight saving ends in Europe/Berlin
# (the last Sunday of October, when 3:00 CEST becomes 2:00 CET), under a shifted clock: libfaketime with a
# relative offset in a file the program re-reads at every clock reading, monotonic time left
# alone so that the program's timers run as usual.
#
# The measurement starts at 2:00:42 CEST and tallies 2:01 CEST.  Then the clock is set forward
# to 2:59:52 CEST (one catch-up tally into 2:59), and eight seconds later it falls back to
# 2:00 CET: 2:00 and 2:01 come a second time.  Once the counter is done, the clock moves on to
# just before 2:01 CET.  The auto-save file of 2:01 is written twice; the second one holds the
# whole table, the first pass's count of 2:01 included.  Every pulse the counter sent must be
# in that last file, in the rows of 2:00, 2:01 and 2:59 only.
#
#   fallback.sh PROGRAM PULSE_SENDER
#
# About 45 s.  Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}
per_second=3
pulses=$((per_second * 40)) # on until 12 s after the fall back

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools Xvfb xdotool iconv awk
require_faketime
make_work fallback
start_watchdog 220

on_failure() {
  local f
  for f in "$data"/*/*.CSV "$work"/first-pass.CSV; do
    [ -f "$f" ] && { echo "---- cells of $f"; cells "$f"; }
  done
}

# The night in question: the last Sunday of October of the coming year.
october_31=$(date -u -d "$future_year-10-31" +%s)
night=$(date -u -d "@$((october_31 - $(date -u -d "@$october_31" +%w) * 86400))" +%Y-%m-%d)
# at_utc TIME: TIME (UTC) on that night, in seconds since the epoch.
at_utc() { date -u -d "$night $1" +%s; }

night_name=$(date -u -d "$night" '+%Y年%-m月%-d日')
night_header=$(date -u -d "$night" +%m/%d)
day=$data/$night_name
file_of() { echo "$day/TORVALE $night_name$1.CSV"; }
f_0201=$(file_of 2時1分) f_0259=$(file_of 2時59分) f_0200=$(file_of 2時0分)
row_0200=121 row_0201=122 row_0259=180

# --- X server, counter, program -------------------------------------------------------------
start_x_server
start_counter "$pulses" "$per_second"
install_program
write_settings true

set_clock "$(at_utc 00:00:20)"
start_window TZ=Europe/Berlin "${clock_env[@]}" NO_FAKE_STAT=1
wait_for 30 "the main window" window_found
wait_for 10 "the settings to be restored" settings_restored
log "window $wid is up; X server on $DISPLAY, counter on $slave"

# --- first pass through 2:01 ----------------------------------------------------------------
set_clock "$(at_utc 00:00:42)" # read at once: the program's clock does not cache it
click 84 20 # Button_start
wait_for 5 "the program to open $link after パルスカウント開始" program_has_open
kill -USR1 "$sender_pid"
log "measuring from 2:00:42 CEST, $per_second pulses a second"

first_written() { [ -f "$f_0201" ]; }
wait_for 30 "the auto-save file of 2:01 CEST" first_written
wait_for 5 "the window to show the file of 2:01" title_is "$f_0201"
cp "$f_0201" "$work/first-pass.CSV"
first_time=$(stat -c %Y "$f_0201")
first_pass=$(cells "$work/first-pass.CSV")
[ "$(printf '%s\n' "$first_pass" | awk '{ print $1, $2 }')" = "$row_0201 1" ] ||
  fail "the first file of 2:01 holds other cells than its own: $first_pass"
first_count=$(printf '%s\n' "$first_pass" | awk '{ print $3 }')
log "2:01 CEST tallied: $first_count"

# --- forward to 2:59:52 CEST, back to 2:00 CET ------------------------------------------------
set_clock "$(at_utc 00:59:52)"
log "clock set forward to 2:59:52 CEST"
fall_back_written() { [ -f "$f_0200" ]; }
wait_for 20 "the auto-save file of 2:00 CET" fall_back_written
[ -f "$f_0259" ] || fail "no catch-up file of 2:59 CEST"
log "2:59 CEST and 2:00 CET tallied"

wait_for 60 "the counter to send $pulses pulses" sender_done
sent=$(sed -n 's/^sent //p' "$work/sender.log")
[ "$sent" = "$pulses" ] || fail "the counter sent $sent pulses, not $pulses"
log "counter sent $sent pulses"
# On to 2:00:57 CET (never back: that would be a clock set back), so 2:01 comes in 3 s.
[ "$(shifted_now)" -lt "$(at_utc 01:00:57)" ] && set_clock "$(at_utc 01:00:57)"
second_written() { [ "$(stat -c %Y "$f_0201")" -gt "$first_time" ]; }
wait_for 30 "the second auto-save file of 2:01 (CET)" second_written
wait_for 5 "the window to show the file of 2:01 again" title_is "$f_0201"

press Escape
wait_for 5 "Esc to stop the measurement" program_lacks_open
click 692 20 # button_EXIT
await_end 10 "EXIT to end the program"
[ "$status" = 0 ] || fail "the program ended with status $status"

# --- the auto-saved files -------------------------------------------------------------------
expected=$(printf '%s\n' "$f_0200" "$f_0201" "$f_0259" | sort)
found=$(find "$data" -type f | sort)
[ "$found" = "$expected" ] || fail "auto-saved files differ; expected:
$expected
found:
$found"
header=$(iconv -f CP932 -t UTF-8 "$f_0201" | sed -n 2p | tr -d '\r')
case $header in
  "\"計測時刻"$'\t'"\",\"$night_header"$'\t'"\",\""$'\t'"\""*) ;;
  *) fail "one column for $night_header expected, header row is $header" ;;
esac

last=$(cells "$f_0201")
read -r sum others c0200 c0201 c0259 < <(printf '%s\n' "$last" | awk -v a=$row_0200 \
  -v b=$row_0201 -v c=$row_0259 '{ s += $3; v[$1] = $3 }
  $2 != 1 || ($1 != a && $1 != b && $1 != c) || $3 !~ /^[0-9]+$/ { o++ }
  END { print s + 0, o + 0, v[a] + 0, v[b] + 0, v[c] + 0 }')
log "counts: 2:00 $c0200, 2:01 $c0201 (first pass $first_count), 2:59 $c0259 = $sum; sent $sent"
[ "$others" = 0 ] || fail "cells other than rows 2:00, 2:01 and 2:59 of $night_header hold counts"
[ "$sum" = "$sent" ] || fail "the counts in the last file add up to $sum, not $sent"
[ "$c0201" -gt "$first_count" ] || fail "2:01 holds $c0201, not more than its first pass $first_count"
for n in "$c0200" "$c0259"; do [ "$n" -gt 0 ] || fail "a tallied minute holds no count"; done

pass
