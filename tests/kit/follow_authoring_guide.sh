#!/bin/bash
# Follows docs/authoring.md as an author would, in an empty folder outside
# the checkout with only the kit this build installs: saves the files its
# blocks give (```LANGUAGE file=NAME), then runs its commands for the
# platform asked (```sh run=native or run=windows), failing on the first
# that fails. So the guide cannot go stale.
# Usage: follow_authoring_guide.sh BUILD_DIR GUIDE (native|windows)
set -euo pipefail
build=$1
guide=$2
platform=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export STUDY_KIT=$work/kit
cmake --install "$build" --component study-kit --prefix "$STUDY_KIT" >/dev/null
mkdir "$work/author"
cd "$work/author"

# Each block of the guide: its info line, then its lines, into files and
# scripts under $work/blocks.
mkdir "$work/blocks"
awk -v out="$work/blocks" '
  /^```/ && !inside { inside = 1; n++; info = substr($0, 4); file = sprintf("%s/%03d", out, n)
                      print info > (file ".info"); printf "" > file; next }
  /^```/ && inside  { inside = 0; next }
  inside            { print >> file }
' "$guide"

# The guide's wine is the build's, in its wine session.
wine() { "${STUDY_WINE:-wine}" "$@"; }
export -f wine

saved=0
ran=0
for info in "$work"/blocks/*.info; do
  block=${info%.info}
  case $(cat "$info") in
    *" file="*)
      name=$(sed 's/.* file=//' "$info")
      cp "$block" "$name"
      saved=$((saved + 1))
      ;;
    *" run=$platform")
      echo "--- the guide's commands ($platform):"
      cat "$block"
      bash -euo pipefail "$block"
      ran=$((ran + 1))
      ;;
  esac
done
[[ $saved -ge 2 && $ran -ge 1 ]] || { echo "FAIL: the guide gave $saved files and $ran command blocks for $platform"; exit 1; }
echo "ok: the guide's $saved files built, validated and replayed ($platform) with only the kit"
