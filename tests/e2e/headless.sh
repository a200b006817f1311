#!/usr/bin/env bash
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
set -uo pipefail
export LC_ALL=C.UTF-8

program=${1:?program}
sender=${2:?pulse sender}
faketime_lib=${TORVALE_FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1}
pulses=30
per_second=3

skip() {
  echo "SKIP: $*"
  # In CI the set-up script installs every tool: a missing one is a fault there.
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
for tool in iconv awk; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[ -f "$faketime_lib" ] || skip "$faketime_lib is missing (Debian package libfaketime)"

work=$(mktemp -d /tmp/torvale-e2e-headless.XXXXXX)
link=/tmp/torvale-ports/e2e-headless-$$-$RANDOM
data=$work/data
clock_file=$work/clock
sender_pid= program_pid= watchdog_pid=
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

# Gives up before ctest kills the script, so that it cleans up; holds no output open.
(for _ in $(seq 110); do sleep 1; kill -0 $$ 2>/dev/null || exit 0; done; kill -TERM $$) \
  >/dev/null 2>&1 &
watchdog_pid=$!

fail() {
  log "FAIL: $*"
  echo "---- standard output"; cat "$work/out.txt" 2>/dev/null
  echo "---- standard error"; cat "$work/err.txt" 2>/dev/null
  echo "---- sender output"; cat "$work/sender.log" 2>/dev/null
  echo "---- data folder"; find "$data" -printf '%y %s %p\n' 2>/dev/null
  exit 1
}

wait_for() { # wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND every 0.1 s
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && fail "timed out after ${seconds}s waiting for $what"
    sleep 0.1
  done
}

# The program's clock reads `at` (seconds since the epoch) now and runs on from there.
set_clock() { printf '%+d\n' $(($1 - $(date +%s))) >"$clock_file"; }
at() { date -d "$1" +%s; }

# The program with no display and no platform named, under the shifted clock.
start_logger() {
  (cd "$work" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" \
    LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$clock_file" FAKETIME_NO_CACHE=1 \
    FAKETIME_DONT_FAKE_MONOTONIC=1 "$program" --headless "$@") >"$work/out.txt" 2>"$work/err.txt" &
  program_pid=$!
}
program_has_open() {
  local fd
  for fd in /proc/"$program_pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$slave" ] && return 0
  done
  return 1
}
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
sender_done() { grep -q '^sent ' "$work/sender.log"; }
file_written() { [ -f "$1" ]; }
end_logger() { # SIGTERM; must exit 0 with the port and its lock file released
  kill -TERM "$program_pid"
  wait_for 10 "SIGTERM to end the logger" program_ended
  wait "$program_pid"
  local status=$?
  program_pid=
  [ "$status" = 0 ] || fail "the logger ended by SIGTERM with status $status"
  [ -e "$lock" ] && fail "the lock file $lock is left after SIGTERM"
  grep -qxF "Com Port $link Close" "$work/err.txt" || fail "no 'Close' line on standard error"
}

day_folder() { date -d "@$1" '+%Y年%-m月%-d日'; }
log_file() { echo "$data/$(day_folder "$1")/TORVALE $(date -d "@$1" '+%Y年%-m月%-d日%-H時%-M分').CSV"; }
minute_row() { echo $((10#$(date -d "@$1" +%H) * 60 + 10#$(date -d "@$1" +%M) + 1)); }
out_line() { printf '%s\t%s\t%s' "$(date -d "@$1" '+%Y-%m-%d %H:%M')" "$2" "$(log_file "$1")"; }
cells() { # the non-empty minute cells of a log file: row column value
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
    for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
}
check_format() { # an auto-saved log of a new table with one day column, the day of $2
  local file=$1 text header expected
  expected=$(printf '"計測時刻\t","%s\t"' "$(date -d "@$2" +%m/%d)")$(printf ',"\t"%.0s' $(seq 9))
  text=$(iconv -f CP932 -t UTF-8 "$file") || fail "$file is not CP932 text"
  [ "$(wc -l <"$file")" = 1442 ] || fail "$file does not have 1442 lines"
  [ "$(grep -c $'\r$' "$file")" = 1442 ] && [ "$(tr -cd '\r' <"$file" | wc -c)" = 1442 ] ||
    fail "$file: lines do not all end in CR LF"
  [ "$(printf '%s\n' "$text" | head -1 | tr -d '\r')" = "1分おきに集計したパルス集計データ" ] ||
    fail "$file: wrong title line"
  printf '%s\n' "$text" | tr -d '\r' | awk 'NR > 1 && !/^"[^"\t,]*\t"(,"[^"\t,]*\t")*$/ { exit 1 }' ||
    fail "$file: a row line is not made of \"text<TAB>\" fields"
  header=$(printf '%s\n' "$text" | sed -n 2p | tr -d '\r')
  [ "$header" = "$expected" ] || fail "$file: header row is '$header', not '$expected'"
}

mkdir -p "$work/xdg" "$work/state"
chmod 700 "$work/xdg"
"$sender" "$link" "$pulses" "$per_second" >"$work/sender.log" 2>&1 &
sender_pid=$!
link_ready() { [ -L "$link" ] && [ -s "$work/sender.log" ]; }
wait_for 10 "the simulated counter" link_ready
slave=$(head -1 "$work/sender.log")
lock=/var/lock/LCK..$(printf '%s' "${slave#/dev/}" | tr / _)
log "counter on $slave, published as $link"

# --- refusals at start ----------------------------------------------------------------------
set_clock "$(at '2024-05-01 12:00:00')"
start_logger --port "$work/no-such-port" --data "$data"
wait_for 10 "the logger to give up on a missing port" program_ended
wait "$program_pid"; status=$?; program_pid=
[ "$status" = 1 ] || fail "a missing port ended the logger with status $status, not 1"
grep -q "^error: cannot open the port $work/no-such-port" "$work/err.txt" ||
  fail "no clear message for a missing port"
touch "$work/a-file"
start_logger --port "$link" --data "$work/a-file/data"
wait_for 10 "the logger to give up on a data folder it cannot make" program_ended
wait "$program_pid"; status=$?; program_pid=
[ "$status" = 1 ] || fail "a data folder that cannot be made ended with status $status, not 1"
grep -q "^error: cannot make or write the data folder" "$work/err.txt" ||
  fail "no clear message for the data folder"
log "a missing port and a data folder that cannot be made end the logger with status 1"

# --- two minute tallies, ended by SIGTERM ---------------------------------------------------
first=$(at '2024-05-01 12:35:00')
second=$((first + 60))
set_clock $((first - 20))
start_logger --port "$link" --data "$data"
wait_for 20 "the logger to open $link" program_has_open
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
sleep 1 # the last pulses reach the logger
set_clock $((second - 3))
wait_for 20 "the auto-saved file $second_file" file_written "$second_file"
sleep 0.5
end_logger
log "two tallies written, SIGTERM ended the logger with status 0 and released $lock"

found=$(find "$data" -type f | sort)
[ "$found" = "$(printf '%s\n' "$first_file" "$second_file" | sort)" ] ||
  fail "auto-saved files differ from the two expected"
check_format "$first_file" "$first"
check_format "$second_file" "$second"

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
third=$(at '2024-05-01 13:01:00')
set_clock $((third - 5))
start_logger --port "$link" --data "$data" --open "$second_file"
wait_for 20 "the logger to open $link again" program_has_open
third_file=$(log_file "$third")
wait_for 20 "the auto-saved file $third_file" file_written "$third_file"
sleep 0.5
end_logger
check_format "$third_file" "$third"
[ "$(cells "$third_file")" = "$first_row 1 $n1"$'\n'"$second_row 1 $n2"$'\n'"$(minute_row "$third") 1 0" ] ||
  fail "$third_file does not continue $second_file"
[ "$(cat "$work/out.txt")" = "$(out_line "$third" 0)" ] || fail "wrong line for the continued log"
log "--open continued the log: its counts are in the next file"

passed=1
log "PASS"
