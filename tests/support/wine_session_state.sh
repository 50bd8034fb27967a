# What the build's wine session is doing, for the scripts that start it, run
# Windows tests in it and explain a failure. Sourced, not run.
# The session's files: STUDY_WINE_SESSION_LOG (what its server and wine's
# services said, and how the server ended) and, beside it, the server's
# process id.

session_log=${STUDY_WINE_SESSION_LOG:?names the log of the wine session}
# Wine itself, as every Windows program of the tests is started: with its
# address space laid out without randomization. Debian's wine has no
# preloader to reserve its fixed ranges before the C library starts, and
# Linux puts a 64-bit program's heap anywhere in the gigabyte after its
# image: about one start in a few thousand, on the range wine keeps for the
# shared user data, and wine ends 1 before the program's first instruction,
# saying only "failed to map the shared user data" (an err line, which
# WINEDEBUG=-all hides). Laid out without randomization, the heap follows
# wine's image, far below that range. Its children inherit the layout.
wine_command=(setarch "$(uname -m)" --addr-no-randomize "${STUDY_WINE_PROGRAM:?names wine itself}")
server_pid_file=${session_log%.log}.pid

# The process id of the session's server when it runs; fails otherwise.
running_server() {
  local pid
  pid=$(cat "$server_pid_file" 2>/dev/null) || return 1
  [[ $pid =~ ^[0-9]+$ ]] && kill -0 "$pid" 2>/dev/null && [[ $(cat "/proc/$pid/comm" 2>/dev/null) == wineserver* ]] &&
    echo "$pid"
}

# The session's server in one line: running since when, or how it ended.
describe_server() {
  local pid
  if pid=$(running_server); then
    echo "the wine session's server (process $pid) is running, $(ps -o etime= -p "$pid" | tr -d ' ') since it started"
  elif [ -s "$session_log" ] && grep -q '^wine server [0-9]* ended' "$session_log"; then
    echo "the wine session's server is not running: $(grep '^wine server [0-9]* ended' "$session_log" | tail -n 1)"
  elif [ -e "$server_pid_file" ]; then
    echo "the wine session's server (process $(cat "$server_pid_file")) is gone, and its log does not say how it ended"
  else
    echo "the wine session was never started (no $server_pid_file)"
  fi
}

# The process ids of this build's wine prefix, one a line.
wine_process_ids() {
  local environ pid
  for environ in /proc/[0-9]*/environ; do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */wine* ]] || continue
    if tr "\\0" "\\n" 2>/dev/null <"$environ" | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
    fi
  done
}

# Every process of this build's wine prefix, one a line, or "none".
describe_wine_processes() {
  local found=0 pid
  for pid in $(wine_process_ids); do
    ps -o pid=,etime=,args= -p "$pid" 2>/dev/null | sed 's/^ */  /' && found=1
  done
  [ "$found" = 1 ] || echo "  none"
}

# Both, as a failing test prints them.
describe_session() {
  echo "$(describe_server)"
  echo "wine processes of $WINEPREFIX at $(date +%T):"
  describe_wine_processes
}
