#!/usr/bin/env bash
# Drives the terminal view in tmux as a user would: reads the screen, sorts by a key, opens the
# About box, quits. Usage: terminal_tmux_test.sh path/to/quorvan
set -euo pipefail
socket="quorvan-test-$$"
tmux_() { tmux -u -L "$socket" "$@"; }
trap 'tmux_ kill-server >/dev/null 2>&1 || true' EXIT
tmux_ new-session -d -x 150 -y 40 \
  "env -u DISPLAY -u WAYLAND_DISPLAY TERM=xterm-256color LC_ALL=C.UTF-8 '$1' --text --simulate"

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
