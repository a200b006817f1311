# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the scripts of tests/, bench/ and tools/ that run the real program: polling for a
# condition and an X server of the script's own.

# wait_until SECONDS COMMAND...: runs COMMAND every $poll_seconds (0.1 s unless set) until it
# succeeds; status 1 when SECONDS pass first.
wait_until() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep "${poll_seconds:-0.1}"
  done
}

# start_xvfb FOLDER: an X server on a display nobody uses, with the id in xvfb_pid and DISPLAY
# exported; its log and display number go into FOLDER.  -noreset: a program started again after
# the only client was killed finds the server as it was, not resetting.  Status 1 when it is
# not up within 10 s.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" \
    2>"$1/xvfb.log" &
  xvfb_pid=$!
  wait_until 10 test -s "$1/display" || return 1
  export DISPLAY=":$(head -1 "$1/display")"
}
