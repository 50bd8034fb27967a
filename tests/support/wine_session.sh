#!/bin/bash
# The wine session every Windows test runs in: one wine server, started
# before the first Windows test with wine's own services (the device and
# plug-and-play hosts, the service manager) and kept until the last one has
# ended. Started afresh by each command instead, wine boots those services
# in the middle of a test, with that test's standard streams, and shuts them
# down again as the command ends; a service caught between the two crashed
# once and wrote its crash into a transcript. Crashes start no debugger: a
# crashed program ends at once with its exception code.
# Usage: wine_session.sh WINE (start|stop) LOG; WINEPREFIX names the prefix.
set -euo pipefail
wine=$1
server="$(dirname "$wine")/wineserver"
log=$3

# The folder of the prefix's server: named by the prefix's device and inode.
server_folder() {
  printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX")
}

case $2 in
  start)
    "$server" -k >/dev/null 2>&1 || true  # a server left by an interrupted run
    "$server" -w >/dev/null 2>&1 || true
    : >"$log"
    # The server persists until stopped, not only while programs run. A
    # watcher of its own notes in the log how and when it ended, so that a
    # server that died mid-run (every wine program then waits for ever) is
    # told from a hang of ours.
    setsid bash -c 'ulimit -c unlimited 2>/dev/null; "$0" -f -p; status=$?
      echo "wine server ended with status $status at $(date +%T)"' "$server" \
      </dev/null >>"$log" 2>&1 &
    for _ in $(seq 300); do  # until it listens (wine would start one of its own)
      [ -n "$(find "${TMPDIR:-/tmp}" -path "*/$(server_folder)/socket" 2>/dev/null)" ] && break
      sleep 0.1
    done
    {
      "$wine" wineboot --init
      "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /t REG_SZ /d '' /f
    } </dev/null >>"$log" 2>&1 || { cat "$log"; exit 1; }
    echo "wine server and services running for $WINEPREFIX (their output: $log)"
    ;;
  stop)
    "$server" -k </dev/null >>"$log" 2>&1 || true
    "$server" -w </dev/null >>"$log" 2>&1 || true
    echo "wine server for $WINEPREFIX ended"
    ;;
esac
