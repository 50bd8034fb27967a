#!/bin/bash
# validate's results and describe's declaration as CI systems read them,
# read back by consumers of their own (Debian's junitparser for JUnit XML,
# jq for JSON), never by the tool: a failing module's every failed check is
# one failed test case with its words, the JSON has one object a check and a
# summary that adds up, and describe's JSON holds the inputs in their types.
# Usage: ci_results.sh FAILING_MODULE DECLARING_MODULE TOOL [TOOL_WORD]...
set -u
failing=$1
declaring=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

"$@" validate "$failing" --seed 5 --quiet --junit "$work/results.xml" --json "$work/results.json" \
  >"$work/quiet.crlf"
code=$?
tr -d '\r' <"$work/quiet.crlf" >"$work/quiet.txt"  # Windows line ends
[[ $code == 1 ]] || fail "validate of a failing module ended with $code, expected 1"
grep -v '^failed ' "$work/quiet.txt" | grep -qv ' passed, ' && fail "--quiet printed more than failures: $(cat "$work/quiet.txt")"

# The failed rows as the text shows them, and as the XML holds them.
sed -n 's/^failed \+\([a-z-]*\) \+\(.*\)$/\1\t\2/p' "$work/quiet.txt" | sort >"$work/text_failures"
/usr/bin/python3 - "$work/results.xml" >"$work/xml_failures" <<'PY' || fail "junitparser cannot read the XML"
import sys
import junitparser
for suite in junitparser.JUnitXml.fromfile(sys.argv[1]):
    for case in suite:
        for result in case.result:
            if isinstance(result, junitparser.Failure):
                print(f"{case.name}\t{result.message}")
PY
sort -o "$work/xml_failures" "$work/xml_failures"
[[ -s $work/text_failures ]] || fail "the failing module failed no check"
diff "$work/text_failures" "$work/xml_failures" >/dev/null ||
  fail "the XML's failed cases differ from the failed checks: $(diff "$work/text_failures" "$work/xml_failures")"

jq -e '(.checks | length) == (.summary | .passed + .warnings + .failed + .skipped)
       and ([.checks[] | select(.result == "failed")] | length) == .summary.failed
       and all(.checks[]; has("check") and has("result") and has("detail") and has("seconds"))' \
  "$work/results.json" >/dev/null || fail "the JSON's checks and summary do not agree: $(cat "$work/results.json")"
[[ $(jq '.summary.failed' "$work/results.json") == $(wc -l <"$work/text_failures") ]] ||
  fail "the JSON counts other failures than the text shows"

"$@" describe "$declaring" --json >"$work/declaration.json" || fail "describe --json failed"
jq -e '.studies[0].inputs | length > 0 and all(.[]; has("name") and has("type_code") and has("default"))' \
  "$work/declaration.json" >/dev/null || fail "describe's JSON lacks its inputs: $(cat "$work/declaration.json")"

[[ $failed == 0 ]] && echo "ok: the XML and the JSON hold what the text says, read by junitparser and jq"
exit $failed
