#!/bin/bash
# The tool in a console window of its own. Double-clicked in Explorer, with
# no arguments: its usage must stay on screen until a key is pressed. Under
# wine a pseudo-terminal gives the tool a console of its own the same way.
# With arguments it ends at once. Ctrl+C there stops a replay: the tool says
# so and ends with STATUS_CONTROL_C_EXIT, an older chart left as it was.
# The console as a session's standard input is refused at once.
# Usage: own_console.sh WINE TOOL MODULE
set -u -o pipefail
wine=$1
tool=$2
module=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/keys"

# Runs the tool in a console of its own, keys from $work/keys, what the
# terminal receives in $work/screen, in the background.
start_in_own_console() {
  script -qfec "$(printf '%q ' "$wine" "$tool" "$@")" "$work/screen" <"$work/keys" >/dev/null &
  runner=$!
  exec 3>"$work/keys"  # the keyboard, open until a key is sent
}

# Whether the tool has ended within $1 seconds.
ends_within() {
  for ((tenth = 0; tenth < $1 * 10; ++tenth)); do
    kill -0 "$runner" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

# The screen's text: wine's console draws a blank as a cursor move and wraps
# each character in cursor codes.
screen_text() {
  perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\[[?0-9;]*[A-Za-z]//g' "$work/screen"
}

failed=0
fail() { echo "FAIL: $*"; failed=1; }

start_in_own_console
if ends_within 5; then
  fail "double-clicked, the tool closed its window without waiting for a key"
else
  printf 'x' >&3
  ends_within 20 || fail "the tool went on waiting after a key was pressed"
fi
exec 3>&-
wait "$runner"; code=$?
[[ $code == 0 ]] || fail "exit code $code after the key, expected 0"
screen_text | grep -q "Usage: study-host" || fail "the window did not show the usage"
screen_text | grep -q "Press any key to close this window" || fail "the window did not say to press a key"

start_in_own_console --version
ends_within 20 || { fail "with arguments the tool waited for a key"; kill "$runner"; }
exec 3>&-
wait "$runner"
screen_text | grep -q "Press any key" && fail "with arguments the tool asked for a key"

# Ctrl+C: wine hands Linux the low byte of 0xC000013A, 58.
echo "an older chart" >"$work/chart.svg"
mkfifo "$work/slow"
start_in_own_console replay "$module" --file "$work/slow" --chart "$work/chart.svg"
exec 4>"$work/slow"
printf 'position\r\n3\r\n' >&4
# Up to a minute for the first step: wine starts a program slowly on a busy
# machine, and a Ctrl+C before the tool runs tests nothing.
for _ in $(seq 600); do screen_text | grep -q "unchanged" && break; sleep 0.1; done
screen_text | grep -q "unchanged" || fail "the replay never showed its first step"
printf '\003' >&3
ends_within 20 || { fail "Ctrl+C did not stop the replay"; kill "$runner"; }
exec 3>&- 4>&-
wait "$runner"
screen_text | grep -q "stopped by Ctrl+C before it finished" ||
  fail "Ctrl+C: the tool did not say it was stopped; the screen: $(screen_text | tail -n 5)"
[[ $(cat "$work/chart.svg") == "an older chart" ]] || fail "Ctrl+C during the replay changed the older chart"
ls "$work" | grep -q -F "chart.svg." && fail "Ctrl+C during the replay left $(ls "$work")"

start_in_own_console replay "$module" --file -
ends_within 20 || { fail "--file - from the console waited"; kill "$runner"; }
exec 3>&-
wait "$runner"
screen_text | grep -q "not lines typed" || fail "--file - from the console was not refused"

[[ $failed == 0 ]] && echo "ok: the usage stays until a key; with arguments the tool ends at once; Ctrl+C stops it cleanly; the console is no session"
exit $failed
