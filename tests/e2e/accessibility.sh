#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window's accessible names as a screen reader gets them: the real program on an X server
# of its own, with a private D-Bus session and accessibility bus, its tree walked through
# AT-SPI (accessible_names.py): in English under LANG=en_US.UTF-8, in Japanese with --lang ja.
#
#   accessibility.sh PROGRAM PULSE_SENDER
#
# About 15 s.  Exit status 0 passed, 1 failed, 77 a tool is missing.
program=${1:?program}
sender=${2:?pulse sender}

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_tools Xvfb dbus-run-session
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"
make_work a11y
start_watchdog 100
start_x_server
install_program

names() { # names [--english] NAME... -- [ENV...] PROGRAM_ARGS...: one run, its tree checked
  local checker=(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/accessible_names.py")
  (cd "$work" && exec dbus-run-session -- env QT_QPA_PLATFORM=xcb QT_ACCESSIBILITY=1 \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_RUNTIME_DIR="$work/xdg" XDG_STATE_HOME="$work/state" \
    "${checker[@]}" "$@") >>"$work/a11y.txt" 2>&1
}

english=("Start counting" "Stop" "Save File (Ctrl+S)" "Open File (Ctrl+O)" "EXIT (Alt+F4)"
  "Show graph" "MQTT..." "Upload to maps..." "Browse..." "Auto-save the counts while measuring"
  "Show progress" "Graph today only" "COM port" "Data folder" "Counts per minute by day"
  "Graph of the counts" "Widen the graph" "Narrow the graph" "Count rate and dose rate")
names --english "${english[@]}" -- env LC_ALL= LANGUAGE= LANG=en_US.UTF-8 "$work/bin/torvale" ||
  fail "English names"
log "English names found"

japanese=("パルスカウント開始" "カウント中断" "グラフ表示" "フォルダの参照" "途中経過の表示をする"
  "計測時に、カウント数を自動でファイルに保存する" "本日データだけグラフにする" "COMポート№"
  "データの保存フォルダ" "日ごとの１分毎のパルス数" "パルス数のグラフ" "グラフを広げる"
  "グラフを狭める" "計数率と線量率")
names "${japanese[@]}" -- env LANG=en_US.UTF-8 "$work/bin/torvale" --lang ja || fail "Japanese names"
log "Japanese names found"
pass
