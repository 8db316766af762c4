#!/usr/bin/env bash
# `quorvan --list` as a script sees it. Usage: list_golden_test.sh QUORVAN MODE [NAME]
#   replay NAME  golden/NAME.jsonl gives NAME.out on stdout, NAME.err (if any) on stderr and
#                exits with NAME.status; with --format=csv and json, NAME.csv and NAME.json
#                where they exist (the JSON read back by jq)
#   round-trip   a recording of --simulate replays to the same list and the same recording
#   no-radio     exit 1 and one line saying so (skipped, 77, where an interface exists)
set -uo pipefail
usage() { echo "usage: list_golden_test.sh QUORVAN replay NAME | round-trip | no-radio" >&2; exit 2; }
(($# >= 2)) || usage
program=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
expected() { if [[ -f "$1" ]]; then echo "$1"; else echo /dev/null; fi; }

case "$2" in
  replay)
    (($# == 3)) || usage
    cd "$(dirname "$0")/golden" || exit 1
    "$program" --list --scenario "$3.jsonl" >"$scratch/out" 2>"$scratch/err"
    echo $? >"$scratch/status"
    diff -u "$(expected "$3.out")" "$scratch/out" || fail "$3: stdout differs"
    diff -u "$(expected "$3.err")" "$scratch/err" || fail "$3: stderr differs"
    diff -u "$3.status" "$scratch/status" || fail "$3: exit status differs"
    for format in csv json; do
      [[ -f "$3.$format" ]] || continue
      "$program" --list --scenario "$3.jsonl" --format="$format" >"$scratch/out.$format" ||
        fail "$3: --format=$format failed"
      diff -u "$3.$format" "$scratch/out.$format" || fail "$3: --format=$format differs"
    done
    if [[ -f "$3.json" ]]; then
      # Every row, and each SSID's bytes as the scenario gave them.
      rows=$(($(wc -l <"$3.out") - 1))
      jq -e --argjson rows "$rows" 'length == $rows and all(.[]; .ssid_hex | test("^([0-9a-f]{2})*$"))' \
        "$scratch/out.json" >/dev/null || fail "$3: the JSON does not read back"
    fi
    ;;
  round-trip)
    "$program" --list --simulate=7 --cycles 25 --record "$scratch/1.jsonl" >"$scratch/1.out" || fail "record"
    "$program" --list --scenario "$scratch/1.jsonl" --record "$scratch/2.jsonl" >"$scratch/2.out" || fail "replay"
    # One query a line, each saying when it ran; the replay records the same times.
    [[ $(wc -l <"$scratch/1.jsonl") -eq 25 && $(wc -l <"$scratch/1.out") -gt 10 ]] || fail "too little"
    [[ $(grep -c '^{"time":"20[0-9-]*T[0-9:]*\.[0-9]\{3\}Z","bsses":\[' "$scratch/1.jsonl") -eq 25 ]] ||
      fail "a line without its time: $(head -c 200 "$scratch/1.jsonl")"
    diff -u "$scratch/1.out" "$scratch/2.out" || fail "replay shows another list"
    diff -u "$scratch/1.jsonl" "$scratch/2.jsonl" || fail "replay recorded other results"
    ;;
  no-radio)
    "$program" --list >"$scratch/out" 2>"$scratch/err"
    status=$?
    [[ $status -ne 0 ]] || { echo "a wireless interface exists here; skipped"; exit 77; }
    [[ $status -eq 1 && $(wc -l <"$scratch/out") -eq 1 && $(wc -l <"$scratch/err") -eq 1 ]] ||
      fail "status $status, stdout $(wc -l <"$scratch/out") lines, stderr: $(cat "$scratch/err")"
    grep -q "no wireless interface was found" "$scratch/err" || fail "stderr: $(cat "$scratch/err")"
    ;;
  *)
    usage
    ;;
esac
echo "list $2 ${3:-}: 1 passed, 0 failed"
