#!/bin/bash
# Double-clicked in Explorer, the tool has a console window of its own and no
# arguments: its usage must stay on screen until a key is pressed. Under wine
# a pseudo-terminal gives the tool a console of its own the same way. With
# arguments, or sharing its console, it ends at once.
# Usage: own_console.sh WINE TOOL
set -u -o pipefail
wine=$1
tool=$2
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

[[ $failed == 0 ]] && echo "ok: the usage stays until a key; with arguments the tool ends at once"
exit $failed
