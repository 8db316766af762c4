#!/usr/bin/env bash
# Drives the terminal view in tmux as a user would. Usage: terminal_tmux_test.sh QUORVAN [MODE]
#   (none)      reads the screen, sorts by a key, opens the help and the About box, quits
#   small       at 80 x 24: frozen columns, whole-column scrolling, the status line, the help,
#               the cursor and the details, signal and channel views of its network
#   empty-list  the status line says why the list is empty, until the first row comes
set -euo pipefail
usage() { echo "usage: terminal_tmux_test.sh QUORVAN [small | empty-list]" >&2; exit 2; }
(($# == 1 || $# == 2)) || usage
case "${2:-}" in
  "" | small | empty-list) ;;
  *) usage ;;
esac
program=$1
socket="quorvan-test-$$-0" starts=0
scratch=$(mktemp -d)
tmux_() { tmux -u -L "$socket" "$@"; }
trap 'tmux_ kill-server >/dev/null 2>&1 || true; rm -rf "$scratch"' EXIT
# Starts the terminal view with these arguments in a fresh terminal of $size (150 x 40).
size=(150 40)
start() {
  tmux_ kill-server >/dev/null 2>&1 || true
  # A fresh socket each time: a server still going away makes a new session on its socket fail
  # now and then.
  starts=$((starts + 1))
  socket="quorvan-test-$$-$starts"
  tmux_ new-session -d -x "${size[0]}" -y "${size[1]}" \
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
# Whether the status line (the last) or the header line (the second) matches a grep pattern;
# no pipes, whose writer grep -q could cut short under pipefail.
status_has() { grep -qE -- "$1" <<<"$(tail -n 1 <<<"$screen")"; }
header_has() { grep -qE -- "$1" <<<"$(sed -n 2p <<<"$screen")"; }
# Whether line $1 of the screen shows reverse video somewhere.
reversed() {
  local line
  line=$(tmux_ capture-pane -p -e | sed -n "$1p")
  [[ "$line" == *$'\e[7m'* ]]
}
# "?" shows the help (every key, each column's sort key), F1 the About box; any key closes each.
help_then_about() {
  tmux_ send-keys '?'
  until_screen 'shows "q Enter Escape      quit" && shows "3 S S I D" && shows "p Password"'
  tmux_ send-keys x
  until_screen '! shows "q Enter Escape      quit"'
  tmux_ send-keys F1
  until_screen 'shows "quorvan Version 1.0"'
  tmux_ send-keys x
  until_screen '! shows "quorvan Version 1.0"'
}

if [[ "${2:-}" == "empty-list" ]]; then
  # A replay whose first query finds no interface, and whose second, 20 s later, lists one.
  printf '%s\n' '{"error": "no-interface"}' \
    '[{"bssid": "02:00:00:00:00:01", "ssid": "cafe", "rssi": -47}]' >"$scratch/late.jsonl"
  start --scenario "$scratch/late.jsonl"
  until_screen 'status_has "^No wireless interface was found   \\? keys  q quit"'
  for _ in $(seq 25); do
    sleep 1
    screen=$(tmux_ capture-pane -p)
    if shows cafe; then break; fi
  done
  until_screen 'shows "02 00 00 00 00 01  cafe" &&
    status_has "^scenario0  1 network, last query listed at [0-9:]{8}   rows 1-1   "'
  tmux_ send-keys q
  until_screen '! tmux_ has-session 2>/dev/null'
  # Where this kernel has no wireless support, the real radio's reason, as the user reads it.
  if "$program" --list 2>&1 >/dev/null | grep -q "nl80211 is missing"; then
    start
    until_screen 'status_has "^This kernel has no Wi-Fi support (nl80211 is missing)"'
    tmux_ send-keys q
    until_screen '! tmux_ has-session 2>/dev/null'
  fi
  echo "terminal view empty-list: 1 passed, 0 failed"
  exit 0
fi

if [[ "${2:-}" == "small" ]]; then
  size=(80 24)
  start --simulate
  until_screen 'shows "Quorvan_V20160130: oqli - 19" && shows "北京咖啡馆"'
  frozen="index  活动因子  MAC地址            S S I D"
  # Index, activity, MAC and SSID, and beside them the first column that scrolls, whole.
  until_screen 'header_has "^$frozen  *信号强度 \\(dbm\\)"'
  status_has "^sim0  19 networks, last query listed at [0-9:]{8}   rows 1-19   \? keys  q quit" ||
    { echo "FAIL: status line: $(tail -n 1 <<<"$screen")" >&2; exit 1; }
  # Scrolling right moves the columns after the SSID, a whole column at a time; the rows stay
  # identifiable.
  tmux_ send-keys Right
  # The channel starts three cells before the edge: marked as cut, in the header and in every
  # row, never a fragment of a channel number ("14" for 149).
  until_screen 'header_has "^$frozen  *链路质量\\(%\\)  Ch~$"'
  unmarked=$(grep -cvE '~$' <<<"$(sed -n '3,21p' <<<"$screen")" || true)
  ((unmarked == 0)) || { echo "FAIL: a row without the cut mark:"$'\n'"$screen" >&2; exit 1; }
  shows "08 8D BC 1E 58 1A  北京咖啡馆" || { echo "FAIL: rows lost their names" >&2; exit 1; }
  # One more, and the channel shows whole: the simulated 149 on 5745 MHz.
  tmux_ send-keys Right
  until_screen 'header_has "^$frozen  *Channel  " && shows " 149  5745000"'
  tmux_ send-keys Right Right
  until_screen 'header_has "^$frozen  *ullHostTimestamp"'
  # Every line fits the 80 cells, wide characters counted twice.
  while IFS= read -r line; do
    cells=$(LC_ALL=C.UTF-8 wc -L <<<"$line")
    ((cells <= 80)) || { echo "FAIL: $cells cells: $line" >&2; exit 1; }
  done <<<"$screen"
  help_then_about
  tmux_ send-keys Home
  until_screen 'header_has "^$frozen  *信号强度 \\(dbm\\)"'
  # A sequence the terminal description does not know neither quits nor sorts.
  before=$(sed -n 3p <<<"$screen")
  tmux_ send-keys -l $'\e[99~'
  sleep 0.5
  until_screen 'tmux_ has-session 2>/dev/null && [[ "$(sed -n 3p <<<"$screen")" == "$before" ]]'
  # The cursor: two rows down, the third row in reverse video; its views, each closed by Escape.
  tmux_ send-keys Down Down
  until_screen 'reversed 5 && ! reversed 3'
  row=$(sed -n 5p <<<"$screen")
  mac=$(grep -oE '([0-9A-F]{2} ){5}[0-9A-F]{2}' <<<"$row" | head -n 1)
  tmux_ send-keys d
  until_screen 'shows "Details of " && shows "$mac" && shows "Security:" && shows "Elements ("'
  tmux_ send-keys Escape
  until_screen 'header_has "^$frozen"'
  tmux_ send-keys g
  until_screen 'shows "Signal of " && shows "$mac" && shows "-100┤" && shows "30 min ago"'
  tmux_ send-keys g
  until_screen 'header_has "^$frozen"'
  tmux_ send-keys c
  until_screen 'shows "Channels  " && shows "networks heard" && shows "2.4 GHz"'
  for _ in 1 2 3; do
    if sed -n 2p <<<"$screen" | grep -q "^Channels  2.4 GHz"; then break; fi
    tmux_ send-keys Right
    sleep 0.3
    screen=$(tmux_ capture-pane -p)
  done
  until_screen 'sed -n 2p <<<"$screen" | grep -q "^Channels  2.4 GHz" && shows "1   2   3   4"'
  tmux_ send-keys Escape
  until_screen 'header_has "^$frozen"'
  tmux_ send-keys q
  until_screen '! tmux_ has-session 2>/dev/null'
  echo "terminal view small: 1 passed, 0 failed"
  exit 0
fi

start --simulate

until_screen 'shows "Quorvan_V20160130: oqli - 19" && shows "index  活动因子  MAC地址" && shows "北京咖啡馆"'
tmux_ send-keys 3
sleep 0.3
tmux_ send-keys 3  # column 3 again: descending SSIDs, the CJK name first
until_screen 'sed -n 3p <<<"$screen" | grep -qF "北京咖啡馆"'
help_then_about
tmux_ send-keys q
until_screen '! tmux_ has-session 2>/dev/null'
echo "terminal view: 1 passed, 0 failed"
