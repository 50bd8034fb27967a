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
    listed=$("$tool" validate --list)
    tool_checks=$(awk 'NR > 1 { print $1, $2, $3 " s" }' <<<"$listed")
    docs_checks=$(section "$docs/validate.md" "## The checks" |
      sed -n 's/^| `\([a-z-]*\)` | `\{0,1\}\([a-z-]*\)`\{0,1\} | \([0-9]* s\) |.*/\1 \2 \3/p')
    same "checks, needs and time limits" "$tool_checks" "$docs_checks"
    # The sample run at the top: every check in run order, all passed.
    sample=$(awk '/^```/ { if (++fences == 2) exit; next } fences == 1' "$docs/validate.md")
    same "checks of the sample run" "$(awk 'NR > 1 { print $1 }' <<<"$listed")" \
      "$(awk '$1 ~ /^(passed|warning)$/ { print $2 }' <<<"$sample")"
    same "the sample run's summary" "$(($(wc -l <<<"$listed") - 1)) passed, 0 failed" \
      "$(grep -E '^[0-9]+ passed' <<<"$sample")"
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
  test-names)
    # Every test CONTRIBUTING.md names (`name`, `prefix.*`, -R 'regex') is
    # one this build has; a name whose first part no test of this build
    # starts with belongs to another build (release_* to the Windows one).
    tests=$(ctest --test-dir "$4" -N | sed -n 's/^ *Test *#[0-9]*: //p')
    [[ -n $tests ]] || { echo "FAIL: ctest -N lists no test in $4"; exit 1; }
    firsts=$(sed 's/\..*//' <<<"$tests" | sort -u)
    named=0
    while read -r pattern; do
      [[ -n $pattern ]] || continue
      first=${pattern%%[(.\\]*}  # up to a group, a point, or a regex's escaped point
      first_regex="^$(sed 's/\*/.*/g' <<<"$first")\$"
      grep -q -E "$first_regex" <<<"$firsts" || continue
      named=$((named + 1))
      if ! grep -q -E "$pattern" <<<"$tests"; then
        echo "FAIL: CONTRIBUTING.md names '$pattern', which no test of this build matches"
        failed=1
      fi
    done < <(
      # `glob` names written as a word of test-name characters, as regexes;
      # `name.*` also names a test run whole (the Windows build runs each
      # GoogleTest program as one test).
      grep -o -E '`[A-Za-z0-9_.*-]+`' "$2/CONTRIBUTING.md" | tr -d '`' |
        sed 's/\./\\./g; s/\*/.*/g; s/^/^/; s/\\\.\.\*$/(\\..*)?/; s/$/$/'
      # The patterns given to ctest -R in its examples for this build's preset.
      grep -o -E "ctest --preset $(basename "$4") [^']*-R '[^']+'" "$2/CONTRIBUTING.md" |
        sed -E "s/.*-R '([^']+)'/\1/"
    )
    [[ $failed == 1 ]] || echo "ok: the $named tests CONTRIBUTING.md names exist"
    ;;
  *)
    echo "usage: check_docs.sh TOOL SOURCE_DIR (checks|exit-codes|options|names-once|test-names BUILD_DIR)" >&2
    exit 2
    ;;
esac
exit $failed
