#!/bin/bash
# The wine session every Windows test runs in: one wine server, started
# before the first Windows test with wine's own services (the device and
# plug-and-play hosts, the service manager) and kept until the last one has
# ended. Started afresh by each command instead, wine boots those services
# in the middle of a test, with that test's standard streams, and shuts them
# down again as the command ends; a service caught between the two crashed
# once and wrote its crash into a transcript. Crashes start no debugger: a
# crashed program ends at once with its exception code.
#
# The prefix is made whole before anything else: one left half made by an
# interrupted boot is made again from nothing, and a missing one is made
# before its server starts (the server works in the prefix's folder). The
# session fails, by name, when its server does not start or does not
# outlive the boot.
# Usage: wine_session.sh (start|stop); WINEPREFIX names the prefix,
# STUDY_WINE_PROGRAM wine itself, STUDY_WINE_SESSION_LOG the session's log.
set -euo pipefail
source "$(dirname "$0")/wine_session_state.sh"
wine=${STUDY_WINE_PROGRAM:?names wine itself}
server="$(dirname "$wine")/wineserver"
# Written once the prefix is whole: its boot finished in a session of ours.
whole_mark="$WINEPREFIX/.booted-by-the-test-session"

# The folder of the prefix's server: named by the prefix's device and inode.
server_folder() {
  printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX")
}

fail() {
  echo "the wine session did not start: $*"
  echo "--- its log ($session_log):"
  cat "$session_log"
  describe_session
  exit 1
}

stop_server() {
  if [ -d "$WINEPREFIX" ]; then
    "$server" -k </dev/null >>"$session_log" 2>&1 || true
    "$server" -w </dev/null >>"$session_log" 2>&1 || true
  fi
}

start() {
  : >"$session_log"
  rm -f "$server_pid_file"
  stop_server  # a server left by an interrupted run
  if [ -d "$WINEPREFIX" ] && [ ! -e "$whole_mark" ]; then
    echo "the prefix was left half made: made again from nothing" >>"$session_log"
    rm -rf "$WINEPREFIX"
  fi
  mkdir -p "$WINEPREFIX"
  # The server persists until stopped, not only while programs run. A
  # watcher of its own notes in the log how and when it ended, so that a
  # server that died mid-run (every wine program then waits for ever) is
  # told from a hang of ours.
  setsid bash -c 'ulimit -c unlimited 2>/dev/null; "$0" -f -p & pid=$!; echo "$pid" >"$1"
    echo "wine server $pid started at $(date +%T)"; wait "$pid"; status=$?
    echo "wine server $pid ended with status $status at $(date +%T)"' "$server" "$server_pid_file" \
    </dev/null >>"$session_log" 2>&1 &
  for _ in $(seq 300); do  # until it listens (wine would start one of its own)
    [ -n "$(find "${TMPDIR:-/tmp}" -path "*/$(server_folder)/socket" 2>/dev/null)" ] && break
    running_server >/dev/null || [ ! -s "$server_pid_file" ] || fail "its server ended at once"
    sleep 0.1
  done
  running_server >/dev/null || fail "its server is not running"
  {
    "${wine_command[@]}" wineboot --init
    "${wine_command[@]}" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Debugger /t REG_SZ /d '' /f
  } </dev/null >>"$session_log" 2>&1 || fail "wine's boot failed"
  running_server >/dev/null || fail "its server ended during wine's boot"
  touch "$whole_mark"
  echo "wine server $(running_server) and services running for $WINEPREFIX (their output: $session_log)"
}

stop() {
  local pid
  pid=$(cat "$server_pid_file" 2>/dev/null || true)
  stop_server
  # The watcher's last word: how the server ended.
  for _ in $(seq 100); do
    grep -q "^wine server $pid ended" "$session_log" 2>/dev/null && break
    sleep 0.1
  done
  echo "wine session for $WINEPREFIX ended: $(grep '^wine server [0-9]* ended' "$session_log" | tail -n 1)"
}

case ${1:-} in
  start) start ;;
  stop) stop ;;
  *) echo "usage: wine_session.sh (start|stop)" >&2; exit 2 ;;
esac
