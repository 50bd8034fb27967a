#!/bin/bash
# Runs one Windows test in the build's wine session. The test is refused at
# once when the session's server is not running; when it fails, what it
# printed is followed by the state of the session (the server, and every
# wine process of the build's prefix) and by wine's own lines, so that a
# failure on a machine nobody can reach is still explained.
# Usage: wine_test.sh COMMAND [ARGUMENT]...
source "$(dirname "$0")/wine_session_state.sh"
if ! running_server >/dev/null; then
  echo "not run: $(describe_server); the Windows tests run only in it (see $session_log)"
  exit 1
fi
# What wine itself says while the test runs, which run_under_wine.sh leaves
# out of the programs' error output.
STUDY_WINE_OWN_LINES=$(mktemp)
export STUDY_WINE_OWN_LINES
trap 'rm -f "$STUDY_WINE_OWN_LINES"' EXIT
"$@"
status=$?
if [ "$status" -ne 0 ]; then
  echo "--- the test failed (exit code $status); its wine session then:"
  describe_session
  if [ -s "$STUDY_WINE_OWN_LINES" ]; then
    echo "--- wine's own lines during the test (the last 40):"
    tail -n 40 "$STUDY_WINE_OWN_LINES"
  fi
fi
exit "$status"
