#!/usr/bin/env bash
# Drives the terminal view in tmux as a user would: reads the screen, sorts by a key, opens the
# About box, quits. Usage: terminal_tmux_test.sh path/to/quorvan
set -euo pipefail
program=$1
socket="quorvan-test-$$"
tmux_() { tmux -u -L "$socket" "$@"; }
trap 'tmux_ kill-server >/dev/null 2>&1 || true' EXIT

tmux_ new-session -d -x 150 -y 40 \
  "env -u DISPLAY -u WAYLAND_DISPLAY TERM=xterm-256color LC_ALL=C.UTF-8 '$program' --text --simulate"

screen=""
# Waits until the screen shows $1 (a fixed string), at most 10 s.
wait_for() {
  for _ in $(seq 100); do
    screen=$(tmux_ capture-pane -p 2>/dev/null || true)
    if grep -qF -- "$1" <<<"$screen"; then return 0; fi
    sleep 0.1
  done
  echo "FAIL: never saw: $1" >&2
  echo "$screen" >&2
  exit 1
}
row() { sed -n "$1p" <<<"$screen"; }

wait_for "Quorvan_V20160130: oqli - 19"
wait_for "index  活动因子  MAC地址"
wait_for "北京咖啡馆"
wait_for "rows 1-"

# Column 3 (SSID): the first key sorts ascending, the second descending.
tmux_ send-keys 3
sleep 0.3
tmux_ send-keys 3
for _ in $(seq 50); do
  screen=$(tmux_ capture-pane -p)
  if row 3 | grep -qF "北京咖啡馆"; then break; fi
  sleep 0.1
done
row 3 | grep -qF "北京咖啡馆" || { echo "FAIL: descending SSID sort did not put 北京咖啡馆 first" >&2; echo "$screen" >&2; exit 1; }

# The About box opens on '?' and any key closes it.
tmux_ send-keys '?'
wait_for "quorvan Version 1.0"
tmux_ send-keys x
for _ in $(seq 50); do
  screen=$(tmux_ capture-pane -p)
  if ! grep -qF "quorvan Version 1.0" <<<"$screen"; then break; fi
  sleep 0.1
done
! grep -qF "quorvan Version 1.0" <<<"$screen" || { echo "FAIL: About box did not close" >&2; exit 1; }

# q quits: the session ends with the program.
tmux_ send-keys q
for _ in $(seq 50); do
  tmux_ has-session 2>/dev/null || { echo "terminal view: 1 passed, 0 failed"; exit 0; }
  sleep 0.1
done
echo "FAIL: q did not quit" >&2
exit 1
