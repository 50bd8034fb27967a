#!/bin/bash
# Runs a Windows program under wine for a test: its standard input and
# output as they are, its standard error without the lines wine writes of
# its own (a crash report of one of wine's processes, its fixme and err
# lines), and its exit code. A crash of the program itself still shows in
# its exit code and in what it printed. Wine's own lines are added to the
# file STUDY_WINE_OWN_LINES names (wine_test.sh shows them when the test
# fails).
# Usage: run_under_wine.sh WINE PROGRAM [ARGUMENT]...
# Debian's wine finds the running server through TMPDIR: under a TMPDIR of
# the test's own it would start a second server on the same prefix, so wine
# gets the one every Windows test shares (STUDY_WINE_TMPDIR).
set -o pipefail
wine=$1
shift
own_lines=$(mktemp)
trap 'rm -f "$own_lines"' EXIT
{
  TMPDIR=${STUDY_WINE_TMPDIR:-${TMPDIR:-/tmp}} "$wine" "$@" 2>&1 1>&3 3>&- |
    sed -u -E -e "/^wine: |^[0-9a-f]{4}:(err|fixme|warn|trace):/{w $own_lines" -e 'd' -e '}' >&2
} 3>&1
status=$?
if [ -n "${STUDY_WINE_OWN_LINES:-}" ]; then cat "$own_lines" >>"$STUDY_WINE_OWN_LINES"; fi
exit "$status"
