#!/usr/bin/env bash
# End-to-end run of the real program on the night daylight saving ends in Europe/Berlin
# (2026-10-25, when 3:00 CEST becomes 2:00 CET), under a shifted clock: libfaketime with a
# relative offset in a file the program re-reads at every clock reading, monotonic time left
# alone so that the program's timers run as usual.
#
# The measurement starts at 2:00:42 CEST and tallies 2:01 CEST.  Then the clock is set forward
# to 2:59:52 CEST (one catch-up tally into 2:59), and eight seconds later it falls back to
# 2:00 CET: 2:00 and 2:01 come a second time.  The auto-save file of 2:01 is written twice;
# the second one holds the whole table, the first pass's count of 2:01 included.  Every pulse
# the counter sent must be in that last file, in the rows of 2:00, 2:01 and 2:59 only.
#
#   fallback.sh PROGRAM PULSE_SENDER
#
# About a minute and a half.  Exit status 0 passed, 1 failed, 77 a tool is missing.
set -uo pipefail
export LC_ALL=C.UTF-8

program=${1:?program}
sender=${2:?pulse sender}
faketime_lib=${TORVALE_FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1}
per_second=3
pulses=$((per_second * 66))

for tool in Xvfb xdotool iconv awk; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done
if [ ! -f "$faketime_lib" ]; then
  echo "SKIP: $faketime_lib is missing (Debian package faketime)"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

work=$(mktemp -d /tmp/torvale-fallback.XXXXXX)
# The counter's link goes into the program's link folder; the settings name it by its link name.
port=fallback-$$-$RANDOM
link=$work/xdg/torvale-ports/$port
data=$work/data
ini=$work/bin/torvale.ini
clock_file=$work/faketime
xvfb_pid= sender_pid= program_pid= watchdog_pid=
passed=0

log() { printf '[%s] %s\n' "$(date +%T)" "$*"; }

stop_process() {
  local pid=$1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

cleanup() {
  trap - EXIT INT TERM
  stop_process "$program_pid"
  stop_process "$sender_pid"
  stop_process "$xvfb_pid"
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  rm -f "$link"
  if [ "$passed" = 1 ]; then
    rm -rf "$work"
  else
    echo "Files of the run kept in $work"
  fi
}
trap cleanup EXIT
trap 'log "interrupted"; exit 1' INT TERM

(for _ in $(seq 220); do sleep 1; kill -0 $$ 2>/dev/null || exit 0; done; kill -TERM $$) \
  >/dev/null 2>&1 &
watchdog_pid=$!

# cells FILE: "row column count" for every non-empty minute cell of a log file.
cells() {
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
    for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
}

fail() {
  log "FAIL: $*"
  [ -n "${DISPLAY:-}" ] && import -window root "$work/failure.png" 2>/dev/null &&
    echo "Screen at failure: $work/failure.png"
  echo "---- program output"; cat "$work/program.log" 2>/dev/null
  echo "---- sender output"; cat "$work/sender.log" 2>/dev/null
  echo "---- data folder"; find "$data" -printf '%y %s %p\n' 2>/dev/null
  local f
  for f in "$data"/*/*.CSV "$work"/first-pass.CSV; do
    [ -f "$f" ] && { echo "---- cells of $f"; cells "$f"; }
  done
  exit 1
}

wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && fail "timed out after ${seconds}s waiting for $what"
    sleep 0.2
  done
}

# set_clock UTC_TIME: from now on the program reads this instant (and on from it).
set_clock() {
  local offset=$(($(date -u -d "2026-10-25 $1" +%s) - $(date +%s)))
  [ "$offset" -ge 0 ] && offset=+$offset
  echo "$offset" >"$clock_file.new" && mv "$clock_file.new" "$clock_file"
}

program_has_open() {
  local fd
  for fd in /proc/"$program_pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$slave" ] && return 0
  done
  return 1
}
program_lacks_open() { ! program_has_open; }
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
sender_done() { grep -q '^sent ' "$work/sender.log"; }
window_found() {
  wid=$(xdotool search --onlyvisible --name '^TORVALE$' 2>/dev/null | head -1)
  [ -n "$wid" ]
}
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; }

day=$data/2026年10月25日
file_of() { echo "$day/TORVALE 2026年10月25日$1.CSV"; }
f_0201=$(file_of 2時1分) f_0259=$(file_of 2時59分) f_0200=$(file_of 2時0分)
row_0200=121 row_0201=122 row_0259=180

# --- X server, counter, program -------------------------------------------------------------
mkdir -p "$work/bin" "$work/xdg" "$data"
chmod 700 "$work/xdg"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_ready() { [ -s "$work/display" ]; }
wait_for 10 "the X server" display_ready
export DISPLAY=":$(head -1 "$work/display")"

"$sender" "$link" "$pulses" "$per_second" >"$work/sender.log" 2>&1 &
sender_pid=$!
link_ready() { [ -L "$link" ] && [ -s "$work/sender.log" ]; }
wait_for 10 "the simulated counter" link_ready
slave=$(head -1 "$work/sender.log")

cp "$program" "$work/bin/torvale"
printf '[TORVALE]\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=true\r\n' "$port" "$data" >"$ini"

set_clock 00:00:20
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" \
  XDG_STATE_HOME="$work/state" TZ=Europe/Berlin \
  LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$clock_file" FAKETIME_NO_CACHE=1 \
  FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 "$work/bin/torvale") >"$work/program.log" 2>&1 &
program_pid=$!
wid=
wait_for 30 "the main window" window_found
sleep 1.5 # the settings are restored 50 ms after the window opens
log "window $wid is up; X server on $DISPLAY, counter on $slave"

# --- first pass through 2:01 ----------------------------------------------------------------
set_clock 00:00:42
sleep 0.3
click 84 20 # Button_start
wait_for 5 "the program to open $link after パルスカウント開始" program_has_open
kill -USR1 "$sender_pid"
log "measuring from 2:00:42 CEST, $per_second pulses a second"

first_written() { [ -f "$f_0201" ]; }
wait_for 30 "the auto-save file of 2:01 CEST" first_written
sleep 0.5
cp "$f_0201" "$work/first-pass.CSV"
first_pass=$(cells "$work/first-pass.CSV")
[ "$(printf '%s\n' "$first_pass" | awk '{ print $1, $2 }')" = "$row_0201 1" ] ||
  fail "the first file of 2:01 holds other cells than its own: $first_pass"
first_count=$(printf '%s\n' "$first_pass" | awk '{ print $3 }')
log "2:01 CEST tallied: $first_count"

# --- forward to 2:59:52 CEST, back to 2:00 CET ------------------------------------------------
set_clock 00:59:52
jumped=$(date +%s)
log "clock set forward to 2:59:52 CEST"
fall_back_written() { [ -f "$f_0200" ]; }
wait_for 20 "the auto-save file of 2:00 CET" fall_back_written
[ -f "$f_0259" ] || fail "no catch-up file of 2:59 CEST"
log "2:59 CEST and 2:00 CET tallied"

wait_for 80 "the counter to send $pulses pulses" sender_done
sent=$(sed -n 's/^sent //p' "$work/sender.log")
[ "$sent" = "$pulses" ] || fail "the counter sent $sent pulses, not $pulses"
log "counter sent $sent pulses"
second_written() { [ "$(stat -c %Y "$f_0201")" -ge $((jumped + 60)) ]; }
wait_for $((jumped + 90 - $(date +%s))) "the second auto-save file of 2:01 (CET)" second_written
sleep 1

xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowactivate --sync "$wid" 2>/dev/null
xdotool key Escape
wait_for 5 "Esc to stop the measurement" program_lacks_open
click 692 20 # button_EXIT
wait_for 10 "EXIT to end the program" program_ended
wait "$program_pid"
status=$?
program_pid=
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
  $'"計測時刻\t","10/25\t","\t"'*) ;;
  *) fail "one column for 10/25 expected, header row is $header" ;;
esac

last=$(cells "$f_0201")
read -r sum others c0200 c0201 c0259 < <(printf '%s\n' "$last" | awk -v a=$row_0200 \
  -v b=$row_0201 -v c=$row_0259 '{ s += $3; v[$1] = $3 }
  $2 != 1 || ($1 != a && $1 != b && $1 != c) || $3 !~ /^[0-9]+$/ { o++ }
  END { print s + 0, o + 0, v[a] + 0, v[b] + 0, v[c] + 0 }')
log "counts: 2:00 $c0200, 2:01 $c0201 (first pass $first_count), 2:59 $c0259 = $sum; sent $sent"
[ "$others" = 0 ] || fail "cells other than rows 2:00, 2:01 and 2:59 of 10/25 hold counts"
[ "$sum" = "$sent" ] || fail "the counts in the last file add up to $sum, not $sent"
[ "$c0201" -gt "$first_count" ] || fail "2:01 holds $c0201, not more than its first pass $first_count"
for n in "$c0200" "$c0259"; do [ "$n" -gt 0 ] || fail "a tallied minute holds no count"; done

passed=1
log "PASS"
