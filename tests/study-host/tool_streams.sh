#!/bin/bash
# Streams and signals the tool meets: a session fed slowly through a pipe, a
# named pipe whose writer comes after the time limit, output into a closed
# pipe, standard error closed, and the tool ended by a signal while a module
# hangs.
# Usage: tool_streams.sh TOOL MODULE HANGING_MODULE PRINTING_MODULE
set -u
tool=$1
module=$2
hanging_module=$3
printing_module=$4
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

# Each step is written out before the tool waits for the next position.
mkfifo "$work/in" "$work/out"
"$tool" replay "$module" --set Enabled=yes --file - <"$work/in" >"$work/out" 2>"$work/err" &
replay=$!
exec 3>"$work/in" 4<"$work/out"
printf 'position\n3\n' >&3
read -r -t 20 -u 4 header || fail "no table while the session waits for more"
read -r -t 20 -u 4 step || fail "step 1 not written out while the session waits for more"
[[ $step == "1     3         1" ]] || fail "step 1 reads '$step'"
printf -- '-2\n' >&3
exec 3>&-
read -r -t 20 -u 4 step || fail "step 2 missing"
[[ $step == "2     -2        1" ]] || fail "step 2 reads '$step'"
wait $replay || fail "replay of a slow pipe ended with $?: $(cat "$work/err")"
echo "slow pipe: each step shown as it is made"

# Waiting for a named pipe's writer is not the module's time.
mkfifo "$work/late"
(sleep 4 && printf 'position\n1\n' >"$work/late") &
output=$("$tool" replay "$module" --set Enabled=yes --timeout 2 --file "$work/late" 2>&1) ||
  fail "a named pipe opened late: $output"
[[ $output == *"1     1         1" ]] || fail "a named pipe opened late gave '$output'"
echo "named pipe opened after the time limit: replayed"

# A terminal on standard input is no session: refused at once, never a
# child stopped waiting for the terminal.
typed=$(timeout 20 script -qec "$(printf '%q ' "$tool" replay "$module" --file -)" /dev/null </dev/null)
code=$?
[[ $code == 2 ]] || fail "--file - from a terminal ended with $code: $typed"
[[ $typed == *"reads a session sent into study-host, not lines typed at the keyboard"* ]] ||
  fail "--file - from a terminal said: $typed"
echo "--file - from a terminal: refused at once"

# Help and version into a closed pipe: exit 5 and one line, like any output.
for words in --help --version; do
  mkfifo "$work/closed_$words"
  exec 6<>"$work/closed_$words" 7>"$work/closed_$words" 6<&-
  "$tool" $words >&7 2>"$work/err"
  code=$?
  exec 7>&-
  [[ $code == 5 ]] || fail "$words into a closed pipe ended with $code"
  [[ $(wc -l <"$work/err") == 1 ]] || fail "$words into a closed pipe: $(cat "$work/err")"
done
echo "help and version into a closed pipe: exit 5, one line"

# Standard error closed: the warning about what the module printed, made
# while the chart is open, goes nowhere, never into the chart.
"$tool" replay "$printing_module" --positions 1 --chart "$work/quiet.svg" >/dev/null 2>&-
code=$?
[[ $code == 0 ]] || fail "a replay with standard error closed ended with $code"
[[ $(head -c 5 "$work/quiet.svg") == "<?xml" ]] ||
  fail "with standard error closed the chart starts '$(head -c 60 "$work/quiet.svg")'"
xmllint --noout "$work/quiet.svg" || fail "with standard error closed the chart is no picture"
echo "standard error closed: the chart is a picture, nothing else in it"

# Ended by a signal (or killed outright) while a check's child hangs in the
# module: no process of the tool's is left behind.
# A copy of its own, named so that only this test's children match (each
# check's child loads a copy of that name).
own_hanging_module="$work/hangs_in_call_$$.so"
cp "$hanging_module" "$own_hanging_module"
children_left() {
  pgrep -f -- "$(basename "$own_hanging_module").*--in-child-run-check" >/dev/null
}
hanging_child() {
  pgrep -f -- "$(basename "$own_hanging_module").*--in-child-run-check declares-study" >/dev/null
}
# Stopped by Ctrl+C, a request to end or a closed terminal, it says so,
# ends with 128 plus the signal's number and leaves nothing in the
# temporary folder (a check's working folder included).
declare -A exit_code_of=([INT]=130 [TERM]=143 [HUP]=129)
declare -A said_of=([INT]="Ctrl+C" [TERM]="a request to end (SIGTERM)" [HUP]="its terminal closing (SIGHUP)")
for signal_name in TERM INT HUP KILL; do
  temporary="$work/tmp-$signal_name"
  mkdir "$temporary"
  TMPDIR=$temporary "$tool" validate "$own_hanging_module" --check declares-study --timeout 120 \
    >"$work/report" 2>"$work/err" &
  validate=$!
  started=no
  for _ in $(seq 600); do hanging_child && started=yes && break; sleep 0.1; done
  [[ $started == yes ]] || fail "the hanging check's child never came: $(cat "$work/report")"
  kill -s "$signal_name" $validate
  wait $validate 2>/dev/null
  code=$?
  for _ in $(seq 50); do children_left || break; sleep 0.1; done
  children_left && fail "a check's child outlived the tool ended by SIG$signal_name"
  [[ $signal_name == KILL ]] && continue
  [[ $code == "${exit_code_of[$signal_name]}" ]] || fail "validate stopped by SIG$signal_name ended with $code"
  [[ $(cat "$work/err") == "study-host: stopped by ${said_of[$signal_name]} before it finished; no file was left half-written" ]] ||
    fail "validate stopped by SIG$signal_name said: $(cat "$work/err")"
  [[ -z $(ls -A "$temporary") ]] || fail "SIG$signal_name left in the temporary folder: $(ls -A "$temporary")"
done
echo "tool ended by a signal: its children ended too, nothing left in the temporary folder"

# Stopped while it replays into a chart, an older chart of that name stays
# as it was, with nothing half-written beside it.
for signal_name in INT TERM HUP; do
  chart="$work/steps-$signal_name.svg"
  echo "an older chart" >"$chart"
  rm -f "$work/slow"
  mkfifo "$work/slow"
  "$tool" replay "$module" --set Enabled=yes --file "$work/slow" --chart "$chart" \
    >"$work/steps" 2>"$work/err" &
  replay=$!
  exec 3>"$work/slow"
  printf 'position\n3\n' >&3
  for _ in $(seq 200); do grep -q '^1 ' "$work/steps" && break; sleep 0.05; done
  grep -q '^1 ' "$work/steps" || fail "no step before SIG$signal_name: $(cat "$work/err")"
  kill -s "$signal_name" $replay
  wait $replay
  code=$?
  exec 3>&-
  [[ $code == "${exit_code_of[$signal_name]}" ]] || fail "replay stopped by SIG$signal_name ended with $code"
  [[ $(cat "$chart") == "an older chart" ]] || fail "SIG$signal_name during the replay changed the older chart"
  left=$(ls "$work" | grep -F "steps-$signal_name.svg." || true)
  [[ -z $left ]] || fail "SIG$signal_name during the replay left $left"
done
echo "replay with a chart stopped by a signal: the older chart as it was, nothing half-written"
