#!/usr/bin/env bash
# `quorvan --list` as a script sees it.
#   list_golden_test.sh QUORVAN replay NAME   replays golden/NAME.jsonl and compares stdout,
#                                             stderr and the exit status with NAME.out,
#                                             NAME.err (absent: empty) and NAME.status
#   list_golden_test.sh QUORVAN round-trip    records --simulate, replays the recording: the
#                                             same list, and the same recording again
#   list_golden_test.sh QUORVAN no-radio      without a radio: exit 1 and one line saying so
#                                             (skipped, 77, where a wireless interface exists)
set -uo pipefail
program=$1
mode=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

case "$mode" in
  replay)
    name=$3
    cd "$here/golden" || exit 1
    "$program" --list --scenario "$name.jsonl" >"$scratch/out" 2>"$scratch/err"
    echo $? >"$scratch/status"
    expected() { if [[ -f "$1" ]]; then echo "$1"; else echo /dev/null; fi; }
    diff -u "$(expected "$name.out")" "$scratch/out" || fail "$name: stdout differs"
    diff -u "$(expected "$name.err")" "$scratch/err" || fail "$name: stderr differs"
    diff -u "$name.status" "$scratch/status" || fail "$name: exit status differs"
    ;;
  round-trip)
    "$program" --list --simulate=7 --cycles 25 --record "$scratch/first.jsonl" >"$scratch/first.out" ||
      fail "recording run failed"
    [[ $(wc -l <"$scratch/first.jsonl") -eq 25 ]] || fail "expected 25 recorded queries"
    "$program" --list --scenario "$scratch/first.jsonl" --record "$scratch/second.jsonl" \
      >"$scratch/second.out" || fail "replay failed"
    diff -u "$scratch/first.out" "$scratch/second.out" || fail "replay shows another list"
    diff -u "$scratch/first.jsonl" "$scratch/second.jsonl" || fail "replay recorded other results"
    [[ $(wc -l <"$scratch/first.out") -gt 10 ]] || fail "the simulated list is nearly empty"
    ;;
  no-radio)
    "$program" --list >"$scratch/out" 2>"$scratch/err"
    status=$?
    if [[ $status -eq 0 ]]; then
      echo "a wireless interface exists here; skipped"
      exit 77
    fi
    [[ $status -eq 1 ]] || fail "exit status $status, expected 1"
    [[ $(wc -l <"$scratch/err") -eq 1 ]] || fail "expected one line on stderr: $(cat "$scratch/err")"
    grep -q "no wireless interface was found" "$scratch/err" || fail "stderr: $(cat "$scratch/err")"
    [[ $(wc -l <"$scratch/out") -eq 1 ]] || fail "expected only the header line on stdout"
    ;;
  *)
    fail "unknown mode $mode"
    ;;
esac
echo "list $mode ${3:-}: 1 passed, 0 failed"
