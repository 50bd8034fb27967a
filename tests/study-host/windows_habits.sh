#!/bin/bash
# Windows habits the tool meets from the zip (run under wine): a session or
# chart another program holds open, named as such with advice that fits;
# and a folder typed with a backslash before its closing quote, which
# Windows turns into a quote inside the word, explained.
# Usage: windows_habits.sh WINE TOOL MODULE HOLD_FILE
set -u -o pipefail
wine=$1
tool=$2
module=$3
hold_file=$4
work=$(mktemp -d)
trap 'exec 3>&- 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}
cp "$module" "$work/"
module="$work/$(basename "$module")"

# A file another program holds open, as a spreadsheet holds its file.
hold() {
  mkfifo "$work/keep"
  "$wine" "$hold_file" "$1" <"$work/keep" >"$work/held" 2>/dev/null &
  exec 3>"$work/keep"
  # Up to a minute: wine starts a program slowly on a busy machine.
  for _ in $(seq 600); do grep -q holding "$work/held" && return; sleep 0.1; done
  fail "the file was never held"
}
let_go() {
  exec 3>&-
  wait
  rm -f "$work/keep"
}

printf 'position\r\n3\r\n' >"$work/session.csv"
hold "$work/session.csv"
"$wine" "$tool" replay "$module" --file "$work/session.csv" >"$work/out" 2>"$work/err"
code=$?
let_go
[[ $code == 4 ]] || fail "a held session ended with $code: $(cat "$work/err")"
grep -q "cannot open the session file (another program, perhaps the spreadsheet, has it open: close it there)" \
  "$work/err" || fail "a held session: $(cat "$work/err")"
echo "a session another program holds: named as such"

echo "an older chart" >"$work/chart.svg"
hold "$work/chart.svg"
"$wine" "$tool" replay "$module" --positions 1 --chart "$work/chart.svg" >"$work/out" 2>"$work/err"
code=$?
let_go
[[ $code == 5 ]] || fail "a held chart ended with $code: $(cat "$work/err")"
grep -q "cannot write the chart (another program, perhaps an image viewer or editor, has it open: close it there), or give --chart another name" \
  "$work/err" || fail "a held chart: $(cat "$work/err")"
[[ -z $(ls "$work" | grep -F "chart.svg.") ]] || fail "a held chart left $(ls "$work")"
echo "a chart another program holds: named as such, the older one left"

# The command line as typed in a command window: a batch file hands it
# over as written.
mkdir "$work/my sessions"
windows_tool=$("$wine" winepath -w "$tool" 2>/dev/null | tr -d '\r')
windows_module=$("$wine" winepath -w "$module" 2>/dev/null | tr -d '\r')
printf '@"%s" replay "%s" --file "my sessions\\" --positions 1\r\n' "$windows_tool" "$windows_module" \
  >"$work/typed.bat"
(cd "$work" && "$wine" cmd /c typed.bat >"$work/out" 2>"$work/err")
code=$?
[[ $code == 2 ]] || fail "a backslash before a closing quote ended with $code: $(cat "$work/err")"
grep -q -F "holds a double quote, which no file name can: a backslash just before a closing quote" \
  "$work/err" || fail "a backslash before a closing quote: $(cat "$work/err")"
echo "a backslash before a closing quote: explained"
