#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long EXIT takes while a measurement runs: the real program under an Xvfb of its own,
# reading the simulator at a fixed rate, is ended by a click on EXIT after a random 0.5 to
# 2.5 s of measuring; the time from the click to the port's release (no descriptor of the
# process names it any more) and to the end of the process is taken, RUNS times.
#
#   bench/exit_latency.sh [build folder] [runs] [pulses per second | flood]
#
# Prints each run and the median and largest figures.  Budget: every port release under
# 100 ms and every exit under 500 ms; exit code 1 when one is over.  Needs Xvfb and xdotool.
set -euo pipefail
export LC_ALL=C.UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${2:-20}
rate=${3:-50}
budget_ms=500
port_budget_ms=100

work=$(mktemp -d /tmp/torvale-exitbench.XXXXXX)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/bin" "$work/xdg"
chmod 700 "$work/xdg"

source "$root/scripts/helpers.sh"
start_xvfb "$work" || { echo "the X server did not start"; exit 1; }
pids+=("$xvfb_pid")
# With WM=openbox (or another window manager) the window is managed as on a desktop.
if [ -n "${WM:-}" ]; then
  "$WM" >/dev/null 2>&1 &
  pids+=($!)
  sleep 1
fi

mode=(--rate "$rate")
[ "$rate" = flood ] && mode=(--flood)
XDG_RUNTIME_DIR="$work/xdg" "$build/tools/gmsim" "${mode[@]}" --publish exitbench \
  >"$work/gmsim.log" 2>&1 &
pids+=($!)
wait_until 5 test -s "$work/gmsim.log" || { echo "gmsim did not start"; exit 1; }
slave=$(head -1 "$work/gmsim.log")

# Builtins only: under a flood a process started per look would take longer
# than the release it is looking for.
now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }
has_port_open() {
  local f
  for f in /proc/"$1"/fd/*; do [ "$f" -ef "$slave" ] && return 0; done
  return 1
}
# Running: not gone, and not a zombie waiting for us.
is_running() {
  local stat
  read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

figures=()
port_figures=()
over=0
for run in $(seq "$runs"); do
  cp "$build/app/torvale" "$work/bin/torvale"
  printf '[TORVALE]\r\nportname=exitbench\r\ndata_Directory=%s\r\nAutSave=false\r\n' "$work" \
    >"$work/bin/torvale.ini"
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" \
    XDG_STATE_HOME="$work/state-$run" "$work/bin/torvale") >"$work/program.log" 2>&1 &
  pid=$!
  wid=
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --pid "$pid" --name '^TORVALE$' 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "run $run: no window"; cat "$work/program.log"; exit 1; }
  sleep 0.3 # the settings are restored 50 ms after the window opens
  xdotool mousemove --window "$wid" 84 20 click 1 # パルスカウント開始
  for _ in $(seq 50); do has_port_open "$pid" && break; sleep 0.05; done
  has_port_open "$pid" || { echo "run $run: the port did not open"; cat "$work/program.log" "$work/gmsim.log"; exit 1; }
  sleep "${MEASURE_S:-$(awk -v r="$RANDOM" 'BEGIN { printf "%.2f", 0.5 + 2 * r / 32768 }')}"
  # The pointer waits on EXIT, pressed: a button acts on its release, and
  # "xdotool click" itself waits about 100 ms between press and release.
  xdotool mousemove --window "$wid" 692 20 mousedown 1
  start=$(now_ms)
  xdotool mouseup 1 # EXIT
  clicked=$(($(now_ms) - start))
  released=
  while is_running "$pid"; do
    [ -z "$released" ] && ! has_port_open "$pid" && released=$(($(now_ms) - start))
    sleep 0.002
  done
  took=$(($(now_ms) - start))
  [ -n "$released" ] || released=$took
  wait "$pid" || true
  figures+=("$took")
  port_figures+=("$released")
  [ "$took" -gt "$budget_ms" ] && over=1
  [ "$released" -gt "$port_budget_ms" ] && over=1
  echo "run $run: port released after ${released} ms, process ended after ${took} ms" \
    "(xdotool returned after ${clicked} ms)"
done

port_sorted=$(printf '%s\n' "${port_figures[@]}" | sort -n)
echo "port released at $rate pulses/s, $runs runs:" \
  "median $(echo "$port_sorted" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }') ms," \
  "largest $(echo "$port_sorted" | tail -1) ms (budget $port_budget_ms ms)"

sorted=$(printf '%s\n' "${figures[@]}" | sort -n)
echo "exit while measuring at $rate pulses/s, $runs runs:" \
  "median $(echo "$sorted" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }') ms," \
  "largest $(echo "$sorted" | tail -1) ms (budget $budget_ms ms)"
exit $over
