#!/usr/bin/env bash
# End-to-end run of the real program left alone.  A simulated GM counter is pulled mid-minute
# (its process killed) and a new one appears on the same link 30 s later: the program must
# reopen it by itself, spend almost no CPU while it waits, and store every pulse sent.  Then the
# program is killed with SIGKILL.  Started again, it must offer the unsaved minutes; Yes must
# bring back every tallied one, and the next auto-save must hold them and settle the recovery
# copy.  libfaketime starts the program's clock just before a minute boundary (it runs at the
# real pace), so the whole run takes about 90 s.
#
#   recovery.sh PROGRAM PULSE_SENDER
#
# Exit status 0 passed, 1 failed, 77 a tool is missing.
set -uo pipefail
export LC_ALL=C.UTF-8

program=${1:?program}
sender=${2:?pulse sender}
faketime_lib=${TORVALE_FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1}
before=30 # pulses before the adapter is pulled
after=10  # pulses after it is back

skip() {
  echo "SKIP: $1"
  # In CI the set-up script installs every tool: a missing one is a fault there.
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
for tool in Xvfb xdotool iconv awk; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -f "$faketime_lib" ] || skip "$faketime_lib is missing (Debian package faketime)"

work=$(mktemp -d /tmp/torvale-recovery.XXXXXX)
port=recovery-$$-$RANDOM
link=$work/xdg/torvale-ports/$port
data=$work/data
copy=$work/state/torvale/recovery.CSV
ini=$work/bin/torvale.ini
xvfb_pid= sender_a= sender_b= program_pid= watchdog_pid=
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
  stop_process "$sender_a"
  stop_process "$sender_b"
  stop_process "$xvfb_pid"
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  if [ "$passed" = 1 ]; then rm -rf "$work"; else echo "Files of the run kept in $work"; fi
}
trap cleanup EXIT
trap 'log "interrupted"; exit 1' INT TERM

(for _ in $(seq 170); do sleep 1; kill -0 $$ 2>/dev/null || exit 0; done; kill -TERM $$) \
  >/dev/null 2>&1 &
watchdog_pid=$!

# Non-empty minute cells of a log file: "row column count", one a line.
cells() {
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
    for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
}
sum_of() { awk '{ s += $3 } END { print s + 0 }'; }

fail() {
  log "FAIL: $*"
  echo "---- program output"; cat "$work/program.log" 2>/dev/null
  echo "---- recovery copy"; [ -f "$copy" ] && cells "$copy"
  echo "---- data folder"; find "$data" -printf '%y %s %p\n' 2>/dev/null
  exit 1
}

wait_for() { # wait_for SECONDS DESCRIPTION COMMAND...
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && fail "timed out after ${seconds}s waiting for $what"
    sleep 0.2
  done
}

has_open() { # has_open DEVICE: the program holds DEVICE open
  local fd
  for fd in /proc/"$program_pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$1" ] && return 0
  done
  return 1
}
holds_no_line() { ! ls -l /proc/"$program_pid"/fd 2>/dev/null | grep -q ' -> /dev/pts/'; }
sent() { grep -q '^sent ' "$1"; }
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

start_sender() { # start_sender COUNT LOG: a counter on the link; prints nothing, sets $! only
  "$sender" "$link" "$1" 2 >"$2" 2>&1 &
}

start_program() { # start_program FAKE_CLOCK_START
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" \
    XDG_STATE_HOME="$work/state" LD_PRELOAD="$faketime_lib" FAKETIME="@2026-12-07 $1" \
    FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 "$work/bin/torvale") >>"$work/program.log" 2>&1 &
  program_pid=$!
}

# --- X server, first counter, program --------------------------------------------------------
mkdir -p "$work/bin" "$work/xdg" "$data"
chmod 700 "$work/xdg"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_ready() { [ -s "$work/display" ]; }
wait_for 10 "the X server" display_ready
export DISPLAY=":$(head -1 "$work/display")"

start_sender "$before" "$work/a.log"
sender_a=$!
a_ready() { [ -L "$link" ] && [ -s "$work/a.log" ]; }
wait_for 10 "the first counter" a_ready
slave_a=$(head -1 "$work/a.log")

cp "$program" "$work/bin/torvale"
printf '[TORVALE]\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=false\r\n' "$port" "$data" >"$ini"
start_program 10:20:45
wait_for 20 "the main window" main_window
sleep 1.5 # the settings are restored 50 ms after the window opens
xdotool mousemove --window "$wid" 84 20 click 1 # Button_start
wait_for 5 "the program to open $slave_a" has_open "$slave_a"
kill -USR1 "$sender_a"
log "measuring; $before pulses across the minute boundary"

# --- the adapter is pulled mid-minute and comes back 30 s later -------------------------------
wait_for 30 "the first counter to send" sent "$work/a.log"
kill -KILL "$sender_a"
wait "$sender_a" 2>/dev/null
sender_a=
wait_for 5 "the program to let the lost line go" holds_no_line
ticks0=$(cpu_ticks)
sleep 30
ticks1=$(cpu_ticks)
hz=$(getconf CLK_TCK)
cpu=$(awk -v t=$((ticks1 - ticks0)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / 30 }')
log "30 s without the counter: $cpu % CPU"
awk -v c="$cpu" 'BEGIN { exit !(c < 1) }' || fail "the program spent $cpu % CPU waiting for the port"

start_sender "$after" "$work/b.log"
sender_b=$!
b_ready() { [ -s "$work/b.log" ]; }
wait_for 10 "the second counter" b_ready
slave_b=$(head -1 "$work/b.log")
wait_for 6 "the program to reopen $port ($slave_b)" has_open "$slave_b"
kill -USR1 "$sender_b"
log "reopened; $after more pulses"
wait_for 15 "the second counter to send" sent "$work/b.log"

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
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowactivate --sync "$wid" 2>/dev/null
xdotool key Return
no_question() { ! question; }
wait_for 5 "the question to close" no_question
log "the question came and was answered Yes"

wait_for 10 "the main window again" main_window
xdotool mousemove --window "$wid" 84 20 click 1 # Button_start
wait_for 5 "the program to open $slave_b again" has_open "$slave_b"
saved="$data/2026年12月7日/TORVALE 2026年12月7日10時31分.CSV"
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
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_for 10 "SIGTERM to end the program" program_ended
passed=1
log "PASS"
