#!/usr/bin/env bash
# What the program does with its files and outputs when things go wrong, run as a user would.
# Usage: files_and_output_test.sh QUORVAN MODE
#   same-file      --record onto the --scenario file (by name, symlink, hard link) is refused
#   size-limit     a recording stopped by a file-size limit keeps whole lines and replays
#   full-output    the list, the help and the version on a full disk: said, exit 1
#   both-fail      a failed last query and a failed recording are both said
#   byte-names     file names that are not UTF-8 reach the file system as they are
#   record-stdout  --record - streams from the window, and is refused with --list
#   terminal       the terminal view: unknown TERM, and the status after a signal
set -uo pipefail
usage() {
  echo "usage: files_and_output_test.sh QUORVAN same-file | size-limit | full-output | both-fail" \
    "| byte-names | record-stdout | terminal" >&2
  exit 2
}
# The mode is checked before the setup runs the program.
case "${2:-}" in
  same-file | size-limit | full-output | both-fail | byte-names | record-stdout | terminal) ;;
  *) usage ;;
esac
(($# == 2)) || usage
program=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
fail() { echo "FAIL: $*" >&2; exit 1; }
# The JSON Lines of a short simulated run.
"$program" --list --simulate=3 --cycles 4 --record scenario.jsonl >/dev/null || fail "setup"

case "$2" in
  same-file)
    cp scenario.jsonl original.jsonl
    ln -s scenario.jsonl symlink.jsonl
    ln scenario.jsonl hardlink.jsonl
    for record in scenario.jsonl ./scenario.jsonl symlink.jsonl hardlink.jsonl; do
      "$program" --list --scenario scenario.jsonl --record "$record" >out 2>err
      status=$?
      [[ $status -eq 2 ]] || fail "$record: exit $status"
      grep -qF "is the --scenario file; recording would destroy it" err || fail "$record: $(cat err)"
      cmp -s scenario.jsonl original.jsonl || fail "$record: the scenario changed"
    done
    ;;
  size-limit)
    # 64 KiB hold a few whole lines of 10 to 20 BSSes with their elements and cut one in the
    # middle.
    (ulimit -f 64 && "$program" --list --simulate=3 --cycles 40 --record rec.jsonl >out 2>err)
    status=$?
    [[ $status -eq 1 ]] || fail "exit $status"
    grep -q "^quorvan: recording stopped: rec.jsonl: cannot be written: File too large$" err ||
      fail "stderr: $(cat err)"
    [[ $(tail -c 1 rec.jsonl | od -An -c | tr -d ' ') == '\n' ]] || fail "a torn last line"
    lines=$(wc -l <rec.jsonl)
    ((lines >= 2 && lines < 40)) || fail "$lines lines"
    "$program" --list --scenario rec.jsonl --record again.jsonl >replay 2>replay.err ||
      fail "replay: $(cat replay.err)"
    [[ ! -s replay.err ]] || fail "replay says: $(cat replay.err)"
    cmp -s rec.jsonl again.jsonl || fail "the replay recorded other lines"
    ;;
  full-output)
    for arguments in "--list --simulate" "--help" "--version"; do
      # shellcheck disable=SC2086
      "$program" $arguments >/dev/full 2>err
      status=$?
      [[ $status -eq 1 ]] || fail "$arguments: exit $status"
      grep -q "^quorvan: cannot write the .*: No space left on device$" err ||
        fail "$arguments: $(cat err)"
    done
    ;;
  both-fail)
    printf '[]\n{"error": "query-failed"}\n' >failing.jsonl
    "$program" --list --scenario failing.jsonl --record /dev/full >out 2>err
    status=$?
    [[ $status -eq 1 ]] || fail "exit $status"
    grep -q "BSS list could not be read" err || fail "no query failure: $(cat err)"
    grep -q "recording stopped: /dev/full: cannot be written" err || fail "no recording: $(cat err)"
    ;;
  byte-names)
    "$program" --list --simulate=3 --record $'rec\xfe.jsonl' >out || fail "record"
    [[ -s $'rec\xfe.jsonl' ]] || fail "recorded into: $(ls)"
    cp scenario.jsonl $'sc\xff.jsonl'
    "$program" --list --scenario $'sc\xff.jsonl' >out 2>err || fail "replay: $(cat err)"
    "$program" --list --scenario $'no\xff\x1b[2J.jsonl' >out 2>err
    [[ $? -eq 2 ]] || fail "a missing file"
    grep -qF 'quorvan: no\xFF\x1B[2J.jsonl: cannot be read: No such file or directory' err ||
      fail "stderr: $(cat err)"
    ;;
  record-stdout)
    "$program" --list --simulate --record - >out 2>err
    [[ $? -eq 2 ]] || fail "--list --record - was not refused"
    DISPLAY=:quorvan-test QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$program" --simulate \
      --record - >stream 2>err
    [[ $? -eq 124 ]] || fail "the window ended by itself: $(cat err)"
    [[ $(wc -l <stream) -ge 1 ]] || fail "nothing streamed"
    "$program" --list --scenario stream >out 2>err || fail "the stream does not replay: $(cat err)"
    ;;
  terminal)
    socket="quorvan-files-$$"
    tmux_() { tmux -u -L "$socket" "$@"; }
    trap 'tmux_ kill-server >/dev/null 2>&1; rm -rf "$scratch"' EXIT
    # run TERM: the terminal view in tmux, its status written to "status" when it ends.
    run() {
      rm -f status
      tmux_ new-session -d -x 120 -y 30 \
        "env -u DISPLAY -u WAYLAND_DISPLAY TERM=$1 '$program' --text --simulate 2>err; echo \$? >status"
    }
    wait_for() { for _ in $(seq 100); do [[ -s $1 ]] && return 0; sleep 0.1; done; return 1; }
    run no-such-terminal
    wait_for status || fail "unknown TERM: still running"
    [[ $(cat status) -eq 1 ]] || fail "unknown TERM: exit $(cat status)"
    grep -q "^quorvan: the terminal type 'no-such-terminal' is unknown here.*--list" err ||
      fail "unknown TERM: $(cat err)"
    for signal in TERM INT HUP; do
      run xterm-256color
      for _ in $(seq 100); do
        pid=$(pgrep -f -n "^$program --text --simulate") && break
        sleep 0.1
      done
      sleep 1
      kill -s "$signal" "$pid"
      wait_for status || fail "$signal: still running"
      expected=$((128 + $(kill -l "$signal")))
      [[ $(cat status) -eq $expected ]] || fail "$signal: exit $(cat status), not $expected"
    done
    ;;
  *)
    usage
    ;;
esac
echo "files and output $2: 1 passed, 0 failed"
