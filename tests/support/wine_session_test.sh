#!/bin/bash
# The wine session as the Windows tests meet it: one server, started for the
# session and running now; and no test, nor wine program, run without it.
# Usage: wine_session_test.sh (in the session's environment)
set -u
support=$(cd "$(dirname "$0")" && pwd)
source "$support/wine_session_state.sh"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

started=$(grep -c '^wine server [0-9]* started' "$session_log")
[[ $started == 1 ]] || fail "the session's log names $started servers started, expected 1: $(cat "$session_log")"
grep -q '^wine server [0-9]* ended' "$session_log" && fail "the session's server ended: $(describe_server)"
pid=$(running_server) || fail "$(describe_server)"
grep -q "^wine server ${pid:-none} started" "$session_log" || fail "the running server is not the one the log names"

# A failing test's report holds what wine itself said, which the program's
# error output leaves out.
words=$(bash "$support/wine_test.sh" bash "$support/run_under_wine.sh" "$support/wine.sh" \
  "no-such-folder\\no-such-program.exe" 2>&1)
[[ $words == *"wine's own lines during the test"*"wine: "*"no-such-program"* ]] ||
  fail "a failed test's report does not show wine's own lines: $words"

# Every wine program runs with its address space laid out without
# randomization: the session's services, and a program started as the
# tests start theirs, held open (reading a pipe) until it has been seen.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/keys"
bash "$support/wine.sh" cmd /c more <"$work/keys" >/dev/null 2>&1 &
held=$!
exec 4>"$work/keys"
seen=""
for _ in $(seq 300); do
  for pid in $(wine_process_ids); do
    [[ $(tr "\\0" " " <"/proc/$pid/cmdline" 2>/dev/null) == *"/c more"* ]] && seen=$pid
  done
  [ -n "$seen" ] && break
  sleep 0.1
done
[ -n "$seen" ] || fail "a program started with wine.sh was never seen running: $(describe_session)"
server=$(running_server)
for pid in $(wine_process_ids); do
  [[ $pid == "$server" ]] && continue  # a program of its own, not started by wine's loader
  personality=$(cat "/proc/$pid/personality" 2>/dev/null) || continue  # ended meanwhile
  (( 0x$personality & 0x0040000 )) ||
    fail "wine process $pid runs with its address space randomized: $(ps -o args= -p "$pid")"
done
exec 4>&-
wait "$held"

# A session whose server is gone, and one never started.
true & gone=$!  # a process that has ended
wait "$gone"
echo "$gone" >"$work/gone.pid"
echo "wine server $gone ended with status 139 at 12:00:00" >"$work/gone.log"
for session in gone never; do
  export STUDY_WINE_SESSION_LOG=$work/$session.log
  words=$(bash "$support/wine_test.sh" touch "$work/ran" 2>&1); code=$?
  [[ $code != 0 ]] || fail "$session: a test ran without the session's server"
  [[ -e $work/ran ]] && fail "$session: the test's command ran without the session's server"
  [[ $words == "not run: "* ]] || fail "$session: the refusal does not say so: $words"
  words=$(bash "$support/wine.sh" cmd /c exit 0 2>&1); code=$?
  [[ $code == 125 ]] || fail "$session: wine ran without the session's server (exit $code)"
  [[ $words == *"not running"* || $words == *"never started"* ]] ||
    fail "$session: wine's refusal does not name the server: $words"
done
[[ $(STUDY_WINE_SESSION_LOG=$work/gone.log bash -c "source '$support/wine_session_state.sh'; describe_server") == *"ended with status 139"* ]] ||
  fail "a server that crashed is not said to have crashed"

[[ $failed == 0 ]] && echo "ok: one server runs the session, its programs laid out without randomization; without it no test and no wine program runs"
exit $failed
