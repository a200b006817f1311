#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the window pictures of docs/images from the real program under an X server of its own:
#   window-start.png      right after start-up, without a settings file
#   window-measuring.png  measuring pulses from the simulated counter, progress pane shown
#   window-week.png       a log file of seven days opened from the command line, graph shown
#
#   tools/screenshots.sh [BUILD_DIR] [OUTPUT_DIR] [ja|en]   (build/, docs/images/, ja by default)
#
# ja: the window as under C.UTF-8 (Japanese); en: under LANG=en_US.UTF-8, the names ending in -en.
#
# Needs Xvfb, xdotool and ImageMagick's import; the program and gmsim must be built.
set -euo pipefail
export LC_ALL=C.UTF-8

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath -m "${2:-$root/docs/images}")
language=${3:-ja}
case $language in
  ja) suffix= language_env=() ;;
  en) suffix=-en language_env=(LC_ALL= LANG=en_US.UTF-8) ;;
  *) echo "language ja or en, not $language"; exit 2 ;;
esac
mkdir -p "$out"

work=$(mktemp -d /tmp/torvale-shots.XXXXXX)
link=$work/xdg/torvale-ports/shots-$$
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -f "$link"
  rm -rf "$work"
}
trap cleanup EXIT

source "$root/scripts/helpers.sh"
start_xvfb "$work" || { echo "the X server did not start"; exit 1; }
pids+=("$xvfb_pid")
mkdir -p "$work/xdg" && chmod 700 "$work/xdg"

program_pid=
wid=
# start_program [ARG]: a fresh copy of the program (its settings file goes beside it)
start_program() {
  cp "$build/app/torvale" "$work/bin/torvale"
  # The user's own recovery copy and settings stay out of the pictures.
  (cd "$work" && exec env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/xdg" \
    XDG_STATE_HOME="$work/state" XDG_CONFIG_HOME="$work/config" "${language_env[@]}" "$work/bin/torvale" "$@") \
    >>"$work/program.log" 2>&1 &
  program_pid=$!
  pids+=("$program_pid")
  wid=
  for _ in $(seq 100); do
    wid=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | head -1) && [ -n "$wid" ] && break
    sleep 0.2
  done
  [ -n "$wid" ] || { echo "the window did not appear"; cat "$work/program.log"; exit 1; }
  sleep 1.5
}
click() { xdotool mousemove --window "$wid" "$1" "$2" click 1; sleep 0.5; }
shoot() {
  xdotool mousemove 1270 1010
  sleep 0.5
  import -window "$wid" "$out/${1%.png}$suffix.png"; echo "$out/${1%.png}$suffix.png"; }
end_program() {
  click 692 20 # EXIT
  wait_until 10 eval '! kill -0 "$program_pid" 2>/dev/null' || { echo "the program did not end"; exit 1; }
  # Measuring without auto-save leaves a recovery copy the next start would offer.
  rm -rf "$work/bin/torvale.ini" "$work/state"
}

# 1. Start-up, no settings.
mkdir -p "$work/bin"
start_program
shoot window-start.png
end_program

# 2. Measuring, progress pane shown.
XDG_RUNTIME_DIR="$work/xdg" "$build/tools/gmsim" --poisson 600 --publish "$(basename "$link")" \
  >"$work/gmsim.log" 2>&1 &
pids+=($!)
wait_until 5 test -L "$link" || { echo "gmsim did not publish $link"; exit 1; }
printf '[TORVALE]\r\nportname=%s\r\ndata_Directory=%s\r\nAutSave=false\r\n' "$(basename "$link")" "$work" \
  >"$work/bin/torvale.ini"
start_program
click 84 20   # パルスカウント開始
click 705 56  # 途中経過の表示をする
sleep 6
shoot window-measuring.png
xdotool key Escape
end_program

# 3. Seven days of counts, about 30 cpm, with a gap in the third day, opened at start.
week=$work/week.CSV
awk -v today="$(date +%s)" 'BEGIN {
  srand(7)
  printf "１分おきに集計したＧＭパルスカウントデータ\r\n"
  printf "\"計測時刻\t\""
  for (c = 1; c <= 9; ++c) {
    if (c <= 7) { cmd = "date -d @" (today - (c - 1) * 86400) " +%m/%d"; cmd | getline d; close(cmd) } else d = ""
    printf ",\"%s\t\"", d
  }
  printf "\r\n"
  L = exp(-30)
  for (m = 0; m < 1440; ++m) {
    printf "\"%d:%02d:00\t\"", int(m / 60), m % 60
    for (c = 1; c <= 9; ++c) {
      v = ""
      if (c <= 7 && !(c == 3 && m >= 600 && m < 840)) {
        k = 0; p = 1
        do { ++k; p *= rand() } while (p > L)
        v = k - 1
      }
      printf ",\"%s\t\"", v
    }
    printf "\r\n"
  }
}' | iconv -f UTF-8 -t CP932 >"$week"
start_program "$week"
click 860 20 # グラフ表示
shoot window-week.png
end_program
