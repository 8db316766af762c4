#!/usr/bin/env bash
# Drives the terminal view in tmux as a user would. Usage: terminal_tmux_test.sh QUORVAN [MODE]
#   (none)      reads the screen, sorts by a key, opens the About box, quits
#   empty-list  the status line says why the list is empty, until the first row comes
set -euo pipefail
program=$1
socket="quorvan-test-$$"
scratch=$(mktemp -d)
tmux_() { tmux -u -L "$socket" "$@"; }
trap 'tmux_ kill-server >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
# Starts the terminal view with these arguments in a fresh 150 x 40 terminal.
start() {
  tmux_ kill-server >/dev/null 2>&1 || true
  tmux_ new-session -d -x 150 -y 40 \
    "env -u DISPLAY -u WAYLAND_DISPLAY TERM=xterm-256color LC_ALL=C.UTF-8 '$program' --text $*"
}

# Waits up to 10 s until `test` (a shell condition over $screen) holds.
until_screen() {
  for _ in $(seq 100); do
    screen=$(tmux_ capture-pane -p 2>/dev/null || true)
    if eval "$1"; then return 0; fi
    sleep 0.1
  done
  printf 'FAIL: %s\n%s\n' "$1" "$screen" >&2
  exit 1
}
shows() { grep -qF -- "$1" <<<"$screen"; }
status_line() { tail -n 1 <<<"$screen"; }

if [[ "${2:-}" == "empty-list" ]]; then
  # A replay whose first query finds no interface, and whose second, 20 s later, lists one.
  printf '%s\n' '{"error": "no-interface"}' \
    '[{"bssid": "02:00:00:00:00:01", "ssid": "cafe", "rssi": -47}]' >"$scratch/late.jsonl"
  start --scenario "$scratch/late.jsonl"
  until_screen 'status_line | grep -q "^No wireless interface was found   q quit"'
  for _ in $(seq 25); do
    sleep 1
    screen=$(tmux_ capture-pane -p)
    if shows cafe; then break; fi
  done
  until_screen 'shows "02 00 00 00 00 01  cafe" && status_line | grep -q "^rows 1-1 of 1   q quit"'
  tmux_ send-keys q
  until_screen '! tmux_ has-session 2>/dev/null'
  # Where this kernel has no wireless support, the real radio's reason, as the user reads it.
  if "$program" --list 2>&1 >/dev/null | grep -q "nl80211 is missing"; then
    start
    until_screen 'status_line | grep -q "^This kernel has no Wi-Fi support (nl80211 is missing)"'
    tmux_ send-keys q
    until_screen '! tmux_ has-session 2>/dev/null'
  fi
  echo "terminal view empty-list: 1 passed, 0 failed"
  exit 0
fi

start --simulate

until_screen 'shows "Quorvan_V20160130: oqli - 19" && shows "index  活动因子  MAC地址" && shows "北京咖啡馆"'
tmux_ send-keys 3
sleep 0.3
tmux_ send-keys 3  # column 3 again: descending SSIDs, the CJK name first
until_screen 'sed -n 3p <<<"$screen" | grep -qF "北京咖啡馆"'
tmux_ send-keys '?'
until_screen 'shows "quorvan Version 1.0"'
tmux_ send-keys x
until_screen '! shows "quorvan Version 1.0"'
tmux_ send-keys q
until_screen '! tmux_ has-session 2>/dev/null'
echo "terminal view: 1 passed, 0 failed"
