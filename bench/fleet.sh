#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A fleet of stations on one machine: one mosquitto broker, N headless loggers each on its own
# simulated counter (gmsim, Poisson), and one subscriber to every station's minutes.  After
# SECONDS of counting the simulators stop, the loggers tally the last minute and end; then
# every station's published minutes must add up to exactly the pulses its simulator sent.
# Prints CPU (percent of one core over the counting time) and RSS of each logger and of the
# broker.
#
#   bench/fleet.sh N [SECONDS] [CPM]        (defaults: 180 s, 120 cpm)
#   TORVALE_BUILD=build nice bench/fleet.sh 50
#
# Exit status 0 when every pulse is in a published minute, 1 otherwise.
set -euo pipefail

n=${1:?number of loggers}
seconds=${2:-180}
cpm=${3:-120}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TORVALE_BUILD:-$root/build}
torvale=$build/app/torvale
gmsim=$build/tools/gmsim
for tool in "$torvale" "$gmsim"; do
  [ -x "$tool" ] || { echo "fleet: build $tool first (cmake --build $build --target torvale gmsim)"; exit 1; }
done
for tool in mosquitto mosquitto_sub python3; do
  command -v "$tool" >/dev/null || { echo "fleet: $tool is missing"; exit 1; }
done

work=$(mktemp -d /tmp/torvale-fleet.XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/mosquitto.conf" <<CONF
user $(id -un)
persistence false
max_queued_messages 100000
listener $port 127.0.0.1
allow_anonymous true
CONF
mosquitto -c "$work/mosquitto.conf" 2>"$work/broker.log" &
broker=$!
pids+=("$broker")
for _ in $(seq 100); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done
mosquitto_sub -h 127.0.0.1 -p "$port" -t 'fleet/+/minute' -q 1 -v >"$work/minutes.txt" &
sub=$!
pids+=("$sub")

declare -a sims loggers
for i in $(seq "$n"); do
  "$gmsim" --poisson "$cpm" --seconds "$seconds" --seed "$i" --wait >"$work/sim$i.txt" &
  sims[$i]=$!
  pids+=("${sims[$i]}")
done
for i in $(seq "$n"); do
  until [ -s "$work/sim$i.txt" ]; do sleep 0.05; done
  slave=$(head -1 "$work/sim$i.txt")
  XDG_STATE_HOME="$work/state$i" "$torvale" --headless --port "$slave" --data "$work/data$i" \
    --mqtt "mqtt://127.0.0.1:$port/fleet/s$i" --station "s$i" >"$work/out$i.txt" 2>"$work/err$i.txt" &
  loggers[$i]=$!
  pids+=("${loggers[$i]}")
done
for i in $(seq "$n"); do
  until grep -q ' Open$' "$work/err$i.txt" 2>/dev/null; do
    kill -0 "${loggers[$i]}" 2>/dev/null || { echo "fleet: logger $i ended:"; cat "$work/err$i.txt"; exit 1; }
    sleep 0.05
  done
done

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
rss() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
hz=$(getconf CLK_TCK)
declare -A before
for pid in "$broker" "${loggers[@]}"; do before[$pid]=$(ticks "$pid"); done
start=$(date +%s.%N)
for i in $(seq "$n"); do kill -USR1 "${sims[$i]}"; done
echo "fleet: $n loggers counting ${seconds} s at ${cpm} cpm each, broker on 127.0.0.1:$port ($work)"
# Each simulator sends for SECONDS, then keeps its line open until the end.
for i in $(seq "$n"); do
  until grep -q '^sent ' "$work/sim$i.txt"; do sleep 0.2; done
done
elapsed=$(echo "$(date +%s.%N) - $start" | bc)
declare -A cpu mem
for pid in "$broker" "${loggers[@]}"; do
  cpu[$pid]=$(echo "scale=3; 100 * ($(ticks "$pid") - ${before[$pid]}) / $hz / $elapsed" | bc)
  mem[$pid]=$(rss "$pid")
done

# The last pulses are tallied at the next minute; a few seconds more to publish them.
sleep $((60 - $(date +%-S) + 8))
for i in $(seq "$n"); do kill -TERM "${loggers[$i]}"; done
for i in $(seq "$n"); do wait "${loggers[$i]}" || true; done
sleep 1
kill -TERM "$sub"

bad=0
total=0
published=0
for i in $(seq "$n"); do
  sent=$(awk '/^sent / { print $2 }' "$work/sim$i.txt")
  # Each minute once, whatever came twice.
  got=$(grep "^fleet/s$i/minute " "$work/minutes.txt" | sort -u |
    python3 -c 'import sys, json; print(sum(json.loads(l.split(" ", 1)[1])["cpm"] for l in sys.stdin))')
  minutes=$(grep -c "^fleet/s$i/minute " "$work/minutes.txt" || true)
  total=$((total + sent))
  published=$((published + got))
  if [ "$sent" != "$got" ]; then
    echo "fleet: station s$i sent $sent pulses, its published minutes hold $got"
    bad=1
  fi
done
stats() { # stats VALUES...: mean and max
  printf '%s\n' "$@" | awk '{ s += $1; if ($1 > m) m = $1 } END { printf "mean %.2f, max %.2f", s / NR, m }'
}
lcpu=(); lmem=()
for pid in "${loggers[@]}"; do lcpu+=("${cpu[$pid]}"); lmem+=("${mem[$pid]}"); done
echo "fleet: pulses sent $total, in published minutes $published, minute messages $(wc -l <"$work/minutes.txt")"
echo "fleet: logger CPU % of one core: $(stats "${lcpu[@]}")"
echo "fleet: logger RSS kB: $(stats "${lmem[@]}")"
echo "fleet: broker CPU % of one core: ${cpu[$broker]}, RSS kB: ${mem[$broker]}"
[ "$bad" = 0 ] && echo "fleet: every pulse sent is in a published minute"
exit "$bad"
