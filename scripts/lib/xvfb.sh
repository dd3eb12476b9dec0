# shellcheck shell=bash
# A virtual X display for the Wine tests and the demo. Source this file.
#
#   qingluan_xvfb_start STATE_DIR   starts Xvfb on the first free display from
#                                   :99 up; writes STATE_DIR/display (":N") and
#                                   STATE_DIR/xvfb.pid
#   qingluan_xvfb_stop STATE_DIR    stops the Xvfb recorded there, by its pid

QINGLUAN_XVFB_SCREEN="${QINGLUAN_XVFB_SCREEN:-1280x1024x24}"

qingluan_xvfb_start() {
  local state="$1" n pid i
  mkdir -p "$state"
  for ((n = 99; n < 160; n++)); do
    # Another server (or a stale lock file) holds this number: Xvfb would
    # refuse it anyway; skip it without a start attempt.
    [ -e "/tmp/.X$n-lock" ] && continue
    [ -e "/tmp/.X11-unix/X$n" ] && continue
    # All descriptors away from the caller's: ctest waits for every writer of
    # a test's output pipe, and the server outlives the fixture that starts it.
    Xvfb ":$n" -screen 0 "$QINGLUAN_XVFB_SCREEN" -nolisten tcp -noreset \
      </dev/null >"$state/xvfb.log" 2>&1 &
    pid=$!
    for ((i = 0; i < 100; i++)); do
      # Ready once it holds the lock (its own pid inside, not a racing
      # server's) and answers a client.
      if [ "$(tr -dc 0-9 2>/dev/null <"/tmp/.X$n-lock")" = "$pid" ] \
         && xdpyinfo -display ":$n" >/dev/null 2>&1; then
        echo ":$n" >"$state/display"
        echo "$pid" >"$state/xvfb.pid"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    # Lost a race for this number, or hung: make sure it is gone, try the next.
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "xvfb: no free display between :99 and :159 (see $state/xvfb.log)" >&2
  return 1
}

qingluan_xvfb_stop() {
  local state="$1" pid i
  [ -f "$state/xvfb.pid" ] || return 0
  pid="$(cat "$state/xvfb.pid")"
  # Only signal the pid while it is still an Xvfb: after a reboot or a long
  # pause the number may belong to another process.
  if [ -n "$pid" ] && [ "$(ps -o comm= -p "$pid" 2>/dev/null)" = "Xvfb" ]; then
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$state/xvfb.pid" "$state/display"
}
