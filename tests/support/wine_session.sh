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

case $2 in
  start)
    "$server" -k >/dev/null 2>&1 || true  # a server left by an interrupted run
    {
      "$server" -p  # persists until stopped, not only while programs run
      "$wine" wineboot --init
      "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
        /v Debugger /t REG_SZ /d '' /f
    } </dev/null >"$log" 2>&1 || { cat "$log"; exit 1; }
    echo "wine server and services running for $WINEPREFIX (their output: $log)"
    ;;
  stop)
    "$server" -k </dev/null >>"$log" 2>&1 || true
    "$server" -w </dev/null >>"$log" 2>&1 || true
    echo "wine server for $WINEPREFIX ended"
    ;;
esac
