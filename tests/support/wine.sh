#!/bin/bash
# Wine as every Windows test runs it: only in the build's wine session. A
# wine program started without the session's server would start a server of
# its own and boot wine's services in the middle of the test (see
# wine_session.sh), so without it the program is refused at once, saying so.
# Usage: wine.sh PROGRAM [ARGUMENT]...; STUDY_WINE_PROGRAM names wine itself
# (started as wine_session_state.sh says).
source "$(dirname "$0")/wine_session_state.sh"
if ! running_server >/dev/null; then
  echo "wine.sh: not started: $(describe_server)" >&2
  exit 125
fi
exec "${wine_command[@]}" "$@"
