#!/usr/bin/env bash
# The manual against the program: every option that --help lists is described in quorvan(1),
# and man renders the page without a warning. Usage: manual_test.sh QUORVAN MANPAGE
set -uo pipefail
(($# == 2)) || { echo "usage: manual_test.sh QUORVAN MANPAGE" >&2; exit 2; }
program=$1
page=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

rendered=$(LC_ALL=C.UTF-8 MANWIDTH=200 man --warnings -l "$page" 2>"${TMPDIR:-/tmp}/man-warnings.$$")
warnings=$(cat "${TMPDIR:-/tmp}/man-warnings.$$")
rm -f "${TMPDIR:-/tmp}/man-warnings.$$"
[[ -z "$warnings" ]] || fail "man warns: $warnings"

help=$("$program" --help) || fail "--help failed"
# The options of --help: "-h, --help", "--cycles <N>", one per line where a line starts with one.
mapfile -t options < <(sed -n 's/^  \(-[^ ]*\)\(, \(--[^ ]*\)\)\{0,1\}.*/\1 \3/p' <<<"$help" | tr ' ,' '\n\n' | grep -v '^$')
((${#options[@]} >= 9)) || fail "found only ${#options[@]} options in --help: ${options[*]}"
# Cut out once: grep -q quits at its first match, and under pipefail the writer it leaves
# behind would fail the check now and then with SIGPIPE.
described=$(sed -n '/^OPTIONS/,/^EXIT STATUS/p' <<<"$rendered")
missing=()
for option in "${options[@]}"; do
  # Described under OPTIONS: the option at the start of an entry's tag line.
  grep -qE -- "^       ${option}([ ,=[]|$)" <<<"$described" || missing+=("$option")
done
((${#missing[@]} == 0)) || fail "not in the manual's OPTIONS: ${missing[*]}"
for section in "EXIT STATUS" "SCENARIO FILES" "REAL RADIOS" "FILES"; do
  grep -q "^${section}\$" <<<"$rendered" || fail "no ${section} section"
done
echo "manual: ${#options[@]} options of --help described, 1 passed, 0 failed"
