# Shared by the end-to-end scripts, sourced after they set `program` and `sender`: tool checks,
# the run's folder, clean-up and a watchdog, waiting, an X server of its own, the simulated
# counter, the program under a shifted clock, and reading the log files the program writes.
#
# A script may define on_failure to print what helps to understand a failure; fail calls it
# before the script ends with status 1.  It ends with status 77 when a tool is missing, except
# in CI, where the set-up script installs every tool and a missing one is a fault.
set -uo pipefail
export LC_ALL=C.UTF-8
unset LANGUAGE # the window speaks Japanese, as the checks of its texts expect
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/helpers.sh"

faketime_lib=${TORVALE_FAKETIME_LIB:-/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1}
work= data= ini= link= slave= xvfb_pid= sender_pid= program_pid= watchdog_pid=
# The processes ended at exit, by the names of the variables that hold their ids.
process_vars="program_pid sender_pid xvfb_pid"
poll_seconds=0.2
passed=0

log() { printf '[%s] %s\n' "$(date +%T)" "$*"; }

skip() {
  echo "SKIP: $*"
  [ "${CI:-}" = true ] && exit 1
  exit 77
}
require_tools() { # require_tools TOOL...
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
  done
}
require_faketime() {
  [ -f "$faketime_lib" ] || skip "$faketime_lib is missing (Debian package libfaketime)"
}

# make_work NAME: a folder of the run's own in /tmp with the program's runtime folder and a state
# folder; the counter's port is named after NAME and published in the program's link folder
# (a script may publish it elsewhere by setting link).
make_work() {
  work=$(mktemp -d "/tmp/torvale-$1.XXXXXX")
  mkdir -p "$work/xdg" "$work/state"
  chmod 700 "$work/xdg"
  # Whatever the program or Qt keeps of the user's (QtProject.conf, caches) stays in the run.
  export XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
  data=$work/data
  port=$1-$$-$RANDOM
  link=$work/xdg/torvale-ports/$port
  # For a program whose clock reads the offset in clock_file at every reading (set_clock writes
  # it) while its timers run as usual.
  clock_file=$work/clock
  clock_env=(LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$clock_file"
    FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1)
}

# install_program: the program copied into $work/bin, so that its settings file ($ini) goes
# beside the copy, and the data folder made.
install_program() {
  mkdir -p "$work/bin" "$data"
  cp "$program" "$work/bin/torvale"
  ini=$work/bin/torvale.ini
}

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
  local var
  for var in $process_vars; do stop_process "${!var:-}"; done
  [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
  [ -n "$link" ] && rm -f "$link"
  [ -n "$work" ] || return 0
  if [ "$passed" = 1 ]; then
    rm -rf "$work"
  else
    echo "Files of the run kept in $work"
  fi
}
trap cleanup EXIT
trap 'log "interrupted"; exit 1' INT TERM

# start_watchdog SECONDS: ctest would kill the script without letting it clean up; give up a
# little earlier instead.  The watchdog ends with the script and keeps none of its output open
# (ctest waits for that).
start_watchdog() {
  (for _ in $(seq "$1"); do sleep 1; kill -0 $$ 2>/dev/null || exit 0; done; kill -TERM $$) \
    >/dev/null 2>&1 &
  watchdog_pid=$!
}

pass() {
  passed=1
  log "PASS"
}

fail() {
  log "FAIL: $*"
  if [ -n "$xvfb_pid" ] && [ -n "${DISPLAY:-}" ]; then
    import -window root "$work/failure.png" 2>/dev/null && echo "Screen at failure: $work/failure.png"
  fi
  local f
  for f in "$work"/*.log "$work"/*.txt; do
    [ -f "$f" ] && { echo "---- ${f##*/}"; cat "$f"; }
  done
  echo "---- data folder"; find "$data" -printf '%y %s %p\n' 2>/dev/null
  declare -F on_failure >/dev/null && on_failure
  exit 1
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND every $poll_seconds until it succeeds.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  wait_until "$seconds" "$@" || fail "timed out after ${seconds}s waiting for $what"
}

# --- processes ------------------------------------------------------------------------------
start_x_server() { # exports DISPLAY
  start_xvfb "$work" || fail "the X server did not start"
}

# start_sender COUNT PER_SECOND LOG: a simulated counter published as $link; it prints its line
# first and sends COUNT pulses on SIGUSR1, then "sent N".  Sets $! only.
start_sender() { "$sender" "$link" "$1" "$2" >"$3" 2>&1 & }
# start_counter COUNT PER_SECOND: the run's one counter, logging to sender.log; sets sender_pid
# and slave (its pseudo-terminal) once it is published.
start_counter() {
  start_sender "$1" "$2" "$work/sender.log"
  sender_pid=$!
  wait_for 10 "the simulated counter" link_ready
  slave=$(head -1 "$work/sender.log")
}
link_ready() { [ -L "$link" ] && [ -s "$work/sender.log" ]; }
sender_done() { grep -q '^sent ' "${1:-$work/sender.log}"; }
lock_of() { echo "/var/lock/LCK..$(printf '%s' "${1#/dev/}" | tr / _)"; }

set_clock() { # set_clock EPOCH_SECONDS: the program's clock reads this now and runs on from it
  printf '%+d\n' $(($1 - $(date +%s))) >"$clock_file.new" && mv "$clock_file.new" "$clock_file"
}
shifted_now() { echo $(($(date +%s) + $(<"$clock_file"))); } # the program's clock, read here

# start_window [NAME=VALUE...]: the copy of the program in $work/bin with its main window on the
# X server, in the given environment besides; its output is added to program.log.  Clears wid.
start_window() {
  wid=
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" \
    XDG_STATE_HOME="$work/state" "$@" "$work/bin/torvale") >>"$work/program.log" 2>&1 &
  program_pid=$!
}

has_open() { # has_open DEVICE: the program holds DEVICE open
  local fd
  for fd in /proc/"$program_pid"/fd/*; do
    [ "$(readlink "$fd" 2>/dev/null)" = "$1" ] && return 0
  done
  return 1
}
# The counter's line as published now: the sender hands out a fresh one after each reader.
current_line() { readlink "$link"; }
program_has_open() { has_open "$(current_line)"; }
program_lacks_open() { ! program_has_open; }
program_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
# await_end SECONDS DESCRIPTION: waits for the program to end; sets status to its exit status.
await_end() {
  wait_for "$1" "$2" program_ended
  wait "$program_pid"
  status=$?
  program_pid=
}

window_found() { # sets wid to the main window
  wid=$(xdotool search --onlyvisible --name '^TORVALE$' 2>/dev/null | head -1)
  [ -n "$wid" ]
}
click() { # click X Y in the window's client coordinates
  xdotool mousemove --window "$wid" "$1" "$2" click 1
}
press() { # press KEY in the window wid
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowactivate --sync "$wid" 2>/dev/null
  xdotool key "$1"
}

# --- log files ------------------------------------------------------------------------------
day_folder() { date -d "@$1" '+%Y年%-m月%-d日'; }
log_file() { # the auto-saved file of the minute that ends at EPOCH_SECONDS
  echo "$data/$(day_folder "$1")/TORVALE $(date -d "@$1" '+%Y年%-m月%-d日%-H時%-M分').CSV"
}
minute_row() { echo $((10#$(date -d "@$1" +%H) * 60 + 10#$(date -d "@$1" +%M) + 1)); }

cells() { # cells FILE: "row column count" for every non-empty minute cell of a log file
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | awk -F'\t",' 'NR > 2 {
    for (c = 2; c <= NF; ++c) { v = $c; gsub(/["\t]/, "", v); if (v != "") print NR - 2, c - 1, v } }'
}

check_log_file() { # check_log_file FILE DAY_TIME...: layout of an auto-saved file of a new table
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

# write_settings AUTOSAVE: the settings the start-up restore needs (the counter's port, the data
# folder, auto-save true or false), in the program's own format.  The window's corner at
# (restored_x, restored_y) tells that the restore has been done (settings_restored).
restored_x=3 restored_y=5
write_settings() {
  printf '[TORVALE]\r\nForm1.Left=%s\r\nForm1.Top=%s\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=%s\r\n' \
    "$restored_x" "$restored_y" "$port" "$data" "$1" >"$ini"
}
settings_restored() { # the window wid has been moved where the settings file puts it
  xdotool getwindowgeometry "$wid" 2>/dev/null | grep -q "Position: $restored_x,$restored_y "
}
