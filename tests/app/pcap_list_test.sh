#!/usr/bin/env bash
# `quorvan --pcap FILE` as a script sees it. Usage: pcap_list_test.sh QUORVAN MODE
#   list      golden/pcap/capture.pcap gives capture-pcap.out on stdout, capture-pcap.err on stderr,
#             and exit 0; the same from standard input with --pcap -
#   record    --record turns it into the query results of capture-pcap.jsonl, each window at
#             the capture time it starts at, which --scenario replays to the same list and
#             records again as it was
#   torn      a capture cut inside its last frame: one warning, the frames before it listed
#   refused   an Ethernet capture and a file that is no capture: exit 2 and one line, nothing run
set -uo pipefail
usage() { echo "usage: pcap_list_test.sh QUORVAN list | record | torn | refused" >&2; exit 2; }
(($# == 2)) || usage
program=$1
golden="$(cd "$(dirname "$0")/golden/pcap" && pwd)" || exit 1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cd "$golden" || exit 1

case "$2" in
  list)
    "$program" --list --pcap capture.pcap >"$scratch/out" 2>"$scratch/err"
    status=$?
    [[ $status -eq 0 ]] || fail "status $status"
    diff -u capture-pcap.out "$scratch/out" || fail "stdout differs"
    diff -u capture-pcap.err "$scratch/err" || fail "stderr differs"
    "$program" --list --pcap - <capture.pcap >"$scratch/stdin.out" 2>"$scratch/stdin.err" ||
      fail "--pcap - failed"
    diff -u capture-pcap.out "$scratch/stdin.out" || fail "--pcap - lists another list"
    [[ $(cat "$scratch/stdin.err") == "quorvan: standard input: 2 frames skipped: 1 truncated, 1 bad FCS" ]] ||
      fail "--pcap - stderr: $(cat "$scratch/stdin.err")"
    ;;
  record)
    "$program" --list --pcap capture.pcap --record "$scratch/rec.jsonl" >"$scratch/out" 2>/dev/null ||
      fail "record"
    diff -u capture-pcap.jsonl "$scratch/rec.jsonl" || fail "recorded other query results"
    "$program" --list --scenario "$scratch/rec.jsonl" --record "$scratch/again.jsonl" \
      >"$scratch/replay.out" || fail "replay"
    diff -u capture-pcap.out "$scratch/replay.out" || fail "the recording replays to another list"
    cmp "$scratch/rec.jsonl" "$scratch/again.jsonl" || fail "the replay recorded other times"
    ;;
  torn)
    size=$(wc -c <capture.pcap)
    head -c $((size - 10)) capture.pcap >"$scratch/torn.pcap"
    "$program" --list --pcap "$scratch/torn.pcap" >"$scratch/out" 2>"$scratch/err"
    status=$?
    [[ $status -eq 0 ]] || fail "status $status"
    diff -u capture-pcap.out "$scratch/out" || fail "stdout differs"
    [[ $(wc -l <"$scratch/err") -eq 2 ]] || fail "stderr: $(cat "$scratch/err")"
    grep -q "^quorvan: $scratch/torn.pcap: .*: the capture ends inside a frame, as one cut short while writing it; replaying the frames before it$" \
      "$scratch/err" || fail "no warning: $(cat "$scratch/err")"
    grep -qx "quorvan: $scratch/torn.pcap: 1 frame skipped: 1 bad FCS" "$scratch/err" ||
      fail "skipped frames: $(cat "$scratch/err")"
    ;;
  refused)
    # The pcap file header of an Ethernet capture, no frames.
    printf '\xd4\xc3\xb2\xa1\x02\x00\x04\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xff\x00\x00\x01\x00\x00\x00' \
      >"$scratch/eth.pcap"
    printf 'not a capture\n' >"$scratch/text.pcap"
    for file in eth text; do
      "$program" --list --pcap "$scratch/$file.pcap" --record "$scratch/$file.jsonl" \
        >"$scratch/out" 2>"$scratch/err"
      status=$?
      [[ $status -eq 2 ]] || fail "$file: status $status"
      [[ ! -s "$scratch/out" && $(wc -l <"$scratch/err") -eq 1 ]] ||
        fail "$file: stdout $(wc -l <"$scratch/out") lines, stderr: $(cat "$scratch/err")"
      [[ ! -e "$scratch/$file.jsonl" ]] || fail "$file: the recording was begun"
    done
    [[ $(cat "$scratch/err") == "quorvan: $scratch/text.pcap: "* ]] || fail "text: $(cat "$scratch/err")"
    "$program" --list --pcap "$scratch/eth.pcap" 2>"$scratch/err"
    [[ $(cat "$scratch/err") == "quorvan: $scratch/eth.pcap: link type EN10MB: not an 802.11 capture" ]] ||
      fail "eth: $(cat "$scratch/err")"
    ;;
  *)
    usage
    ;;
esac
echo "pcap $2: 1 passed, 0 failed"
