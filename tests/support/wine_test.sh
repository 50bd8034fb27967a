#!/bin/bash
# Runs one Windows test in the build's wine session. The test is refused at
# once when the session's server is not running; when it fails, what it
# printed is followed by the state of the session (the server, and every
# wine process of the build's prefix), so that a failure on a machine
# nobody can reach is still explained.
# Usage: wine_test.sh COMMAND [ARGUMENT]...
source "$(dirname "$0")/wine_session_state.sh"
if ! running_server >/dev/null; then
  echo "not run: $(describe_server); the Windows tests run only in it (see $session_log)"
  exit 1
fi
"$@"
status=$?
if [ "$status" -ne 0 ]; then
  echo "--- the test failed (exit code $status); its wine session then:"
  describe_session
fi
exit "$status"
