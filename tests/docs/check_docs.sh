#!/bin/bash
# Holds the docs to the tool: validate's checks and their time limits
# (docs/validate.md against 'validate --list'), the exit codes
# (docs/manual.md against the help's footer), and each command's options
# and numeric defaults (docs/manual.md against 'COMMAND --help'); and each
# check's name written once in the tool's sources. A name, code, option or
# default on one side and not the other fails.
# Usage: check_docs.sh TOOL SOURCE_DIR (checks|exit-codes|options|names-once)
set -u -o pipefail
tool=$1
docs=$2/docs
what=$3
failed=0

# Compares two lists, one item a line: prints what each side lacks.
same() {
  local name=$1 from_tool=$2 from_docs=$3
  if [[ $from_tool != "$from_docs" ]]; then
    echo "FAIL: $name differ (< the tool, > the docs):"
    diff <(printf '%s\n' "$from_tool") <(printf '%s\n' "$from_docs")
    failed=1
  else
    echo "ok: $name: $(printf '%s\n' "$from_tool" | wc -l) agree"
  fi
  [[ -n $from_tool ]] || { echo "FAIL: the tool gave no $name"; failed=1; }
}

# The lines of a markdown file from the heading $2 to the next heading of
# its level or above (code blocks are not headings).
section() {
  awk -v heading="$2" '
    /^```/ { code = !code }
    !code && $0 == heading { inside = 1; level = index($0, " "); next }
    inside && !code && /^#+ / && index($0, " ") <= level { inside = 0 }
    inside' "$1"
}

case $what in
  checks)
    tool_checks=$("$tool" validate --list | awk 'NR > 1 { print $1, $2 " s" }')
    docs_checks=$(section "$docs/validate.md" "## The checks" |
      sed -n 's/^| `\([a-z-]*\)` | \([0-9]* s\) |.*/\1 \2/p')
    same "checks and time limits" "$tool_checks" "$docs_checks"
    ;;
  exit-codes)
    tool_codes=$("$tool" --help | sed -n '/^exit codes:/,$p' | sed -n 's/^  \([0-9]\+\)  .*/\1/p')
    docs_codes=$(section "$docs/manual.md" "### Exit codes" | sed -n 's/^| \([0-9]\+\) |.*/\1/p')
    same "exit codes" "$tool_codes" "$docs_codes"
    ;;
  options)
    for command in describe replay validate; do
      help=$("$tool" "$command" --help)
      table=$(section "$docs/manual.md" "### $command")
      same "$command's options" \
        "$(sed -n 's/^  \(--[a-z-]*\).*/\1/p' <<<"$help" | grep -v -x -- --help | sort)" \
        "$(sed -n 's/^| `\(--[a-z-]*\).*/\1/p' <<<"$table" | sort)"
      same "$command's numeric defaults" \
        "$(sed -n 's/^  \(--[a-z-]*\).*(default \([0-9]\+\)).*/\1 \2/p' <<<"$help" | sort)" \
        "$(sed -n 's/^| `\(--[a-z-]*\)[^|]*| \([0-9]\+\) |.*/\1 \2/p' <<<"$table" | sort)"
    done
    ;;
  names-once)
    # A check is one row of one table: its name is written nowhere else in
    # the tool's sources.
    for name in $("$tool" validate --list | awk 'NR > 1 { print $1 }'); do
      count=$(grep -r -o -F "\"$name\"" "$2/tools/study-host" | wc -l)
      if [[ $count != 1 ]]; then
        echo "FAIL: \"$name\" is written $count times in tools/study-host, expected once"
        failed=1
      fi
    done
    [[ $failed == 1 ]] || echo "ok: each check's name written once"
    ;;
  *)
    echo "usage: check_docs.sh TOOL SOURCE_DIR (checks|exit-codes|options|names-once)" >&2
    exit 2
    ;;
esac
exit $failed
