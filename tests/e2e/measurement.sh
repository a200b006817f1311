#!/usr/bin/env bash
# End-to-end run of the real program: an X server of its own, a simulated GM counter on a
# pseudo-terminal, a measurement with auto-save across two real minute tallies, stop with Esc,
# close with EXIT.  Then the auto-saved log files, their counts and the settings file are
# checked against the pulses the counter sent.  Last, the program is started again, measures,
# and is ended with SIGTERM as at logout: it must close as from the close box.
#
#   measurement.sh PROGRAM PULSE_SENDER
#
# PROGRAM is copied into a temporary folder so that its settings file goes beside the copy.
# Takes two to three minutes.  Exit status 0 passed, 1 failed, 77 a tool is missing.
set -uo pipefail
export LC_ALL=C.UTF-8

program=${1:?program}
sender=${2:?pulse sender}
pulses=${TORVALE_E2E_PULSES:-50}
per_second=2

for tool in Xvfb xdotool iconv awk; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed"
    # In CI the set-up script installs every tool: a missing one is a fault there.
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done

work=$(mktemp -d /tmp/torvale-e2e.XXXXXX)
# The simulator's link goes into the program's link folder; the list and the settings name it
# by its link name.
port=e2e-$$-$RANDOM
link=$work/xdg/torvale-ports/$port
data=$work/data
ini=$work/bin/torvale.ini
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

# ctest would kill the script without letting it clean up; give up a little earlier instead.
# The watchdog ends with the script and keeps none of its output open (ctest waits for that).
(for _ in $(seq 280); do sleep 1; kill -0 $$ 2>/dev/null || exit 0; done; kill -TERM $$) \
  >/dev/null 2>&1 &
watchdog_pid=$!

show_file_cp932() {
  echo "---- $1"
  if [ -f "$1" ]; then iconv -f CP932 -t UTF-8 "$1" | sed -n "${2:-1,40}p" | tr -d '\r'; else echo "(missing)"; fi
}

fail() {
  log "FAIL: $*"
  if [ -n "$xvfb_pid" ] && [ -n "${DISPLAY:-}" ]; then
    import -window root "$work/failure.png" 2>/dev/null && echo "Screen at failure: $work/failure.png"
  fi
  echo "---- program output"; cat "$work/program.log" 2>/dev/null
  echo "---- sender output"; cat "$work/sender.log" 2>/dev/null
  show_file_cp932 "$ini"
  echo "---- data folder"; find "$data" -printf '%y %s %p\n' 2>/dev/null
  local last
  last=$(find "$data" -type f -name '*.CSV' 2>/dev/null | sort | tail -1)
  if [ -n "$last" ]; then
    show_file_cp932 "$last" 1,3
    echo "(non-empty minute cells: row column value)"
    iconv -f CP932 -t UTF-8 "$last" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
      for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
  fi
  exit 1
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND every 0.2 s until it succeeds.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && fail "timed out after ${seconds}s waiting for $what"
    sleep 0.2
  done
}

program_has_open() { # true while the program holds the counter's line open
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
click() { # click X Y in the window's client coordinates
  xdotool mousemove --window "$wid" "$1" "$2" click 1
}
day_folder() { date -d "@$1" '+%Y年%-m月%-d日'; }
log_name() { echo "$(day_folder "$1")/TORVALE $(date -d "@$1" '+%Y年%-m月%-d日%-H時%-M分').CSV"; }
minute_row() { echo $((10#$(date -d "@$1" +%H) * 60 + 10#$(date -d "@$1" +%M) + 1)); }

# --- X server, counter, program -------------------------------------------------------------
mkdir -p "$work/bin" "$work/xdg" "$data"
chmod 700 "$work/xdg"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
display_ready() { [ -s "$work/display" ]; }
wait_for 10 "the X server" display_ready
export DISPLAY=":$(head -1 "$work/display")"
log "X server on $DISPLAY"

"$sender" "$link" "$pulses" "$per_second" >"$work/sender.log" 2>&1 &
sender_pid=$!
link_ready() { [ -L "$link" ] && [ -s "$work/sender.log" ]; }
wait_for 10 "the simulated counter" link_ready
slave=$(head -1 "$work/sender.log")
log "counter on $slave, published as $link"

cp "$program" "$work/bin/torvale"
# The restore picks the counter's port, the data folder and auto-save.
printf '[TORVALE]\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=true\r\n' "$port" "$data" >"$ini"

(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" "$work/bin/torvale") \
  >"$work/program.log" 2>&1 &
program_pid=$!
wid=
wait_for 20 "the main window" window_found
sleep 1.5 # the settings are restored 50 ms after the window opens
log "window $wid is up"

# --- measurement ----------------------------------------------------------------------------
# Start between :38 and :50 so that the pulses (25 s at 2 a second) straddle the first minute
# boundary and end long before the second.
in_start_window() { local s=$((10#$(date +%S))); [ "$s" -ge 38 ] && [ "$s" -le 50 ]; }
wait_for 75 "a start time between :38 and :50" in_start_window
click 84 20 # Button_start
started=$(date +%s)
wait_for 5 "the program to open $link after パルスカウント開始" program_has_open
kill -USR1 "$sender_pid"
first=$(((started / 60 + 1) * 60))
second=$((first + 60))
log "measuring; tallies expected at $(date -d "@$first" +%T) and $(date -d "@$second" +%T)"

wait_for $((second - $(date +%s) - 5)) "the counter to send $pulses pulses" sender_done
sent=$(sed -n 's/^sent //p' "$work/sender.log")
[ "$sent" = "$pulses" ] || fail "the counter sent $sent pulses, not $pulses"
log "counter sent $sent pulses"

first_file=$data/$(log_name "$first")
last_file=$data/$(log_name "$second")
last_written() { [ -f "$last_file" ]; }
wait_for $((second - $(date +%s) + 15)) "the auto-saved file $last_file" last_written
sleep 1

xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowactivate --sync "$wid" 2>/dev/null
xdotool key Escape
wait_for 5 "Esc to stop the measurement (close the port)" program_lacks_open
log "stopped with Esc"

click 692 20 # button_EXIT
wait_for 10 "EXIT to end the program" program_ended
wait "$program_pid"
status=$?
program_pid=
[ "$status" = 0 ] || fail "the program ended with status $status"
log "program closed by EXIT"

# --- the auto-saved files -------------------------------------------------------------------
expected=$(printf '%s\n' "$first_file" "$last_file" | sort)
found=$(find "$data" -type f | sort)
[ "$found" = "$expected" ] || fail "auto-saved files differ; expected:
$expected
found:
$found"

check_log_file() { # check_log_file FILE DAY_TIME...: layout of an auto-saved file
  local file=$1 text lines header expected=$'"計測時刻\t"' at
  shift
  for at in "$@"; do expected+=$(printf ',"%s\t"' "$(date -d "@$at" +%m/%d)"); done
  expected+=$(printf ',"\t"%.0s' $(seq 9)) # a new table's 10 columns, one more per day
  text=$(iconv -f CP932 -t UTF-8 "$file") || fail "$file is not CP932 text"
  lines=$(wc -l <"$file")
  [ "$lines" = 1442 ] || fail "$file has $lines lines, not 1442"
  [ "$(grep -c $'\r$' "$file")" = 1442 ] && [ "$(tr -cd '\r' <"$file" | wc -c)" = 1442 ] ||
    fail "$file: lines do not all end in CR LF"
  [ "$(printf '%s\n' "$text" | head -1 | tr -d '\r')" = "1分おきに集計したパルス集計データ" ] ||
    fail "$file: wrong title line"
  printf '%s\n' "$text" | tr -d '\r' | awk 'NR > 1 && !/^"[^"\t,]*\t"(,"[^"\t,]*\t")*$/ { exit 1 }' ||
    fail "$file: a row line is not made of \"text<TAB>\" fields"
  header=$(printf '%s\n' "$text" | sed -n 2p | tr -d '\r')
  [ "$header" = "$expected" ] || fail "$file: header row is '$header', not '$expected'"
}
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
cells() {
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
    for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
}
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
# The settings file is cut back to the three keys the restore needs, so only the close can
# write it whole again.
printf '[TORVALE]\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=true\r\n' "$port" "$data" >"$ini"
(cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" "$work/bin/torvale") \
  >"$work/program.log" 2>&1 &
program_pid=$!
wid=
wait_for 20 "the main window again" window_found
sleep 1.5
click 84 20 # Button_start
wait_for 5 "the program to open $link again" program_has_open
lock=/var/lock/LCK..$(printf '%s' "${slave#/dev/}" | tr / _)
[ -f "$lock" ] || fail "no lock file $lock while measuring"
kill -TERM "$program_pid"
wait_for 10 "SIGTERM to end the program" program_ended
wait "$program_pid"
status=$?
program_pid=
[ "$status" = 0 ] || fail "the program ended by SIGTERM with status $status"
[ -e "$lock" ] && fail "the lock file $lock is left after SIGTERM"
check_settings
log "SIGTERM closed the program: status 0, settings file whole, lock file gone"

passed=1
log "PASS"
