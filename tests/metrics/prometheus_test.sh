#!/usr/bin/env bash
# The metrics against the real parts: promtool accepts every scrape, of the simulated radio and
# of hostile SSIDs; a Prometheus server scrapes two headless sensors every second and its HTTP
# API gives back their series, the hostile names as the list shows them, and a network that
# left is gone from the next scrape after its eviction.
# Usage: prometheus_test.sh QUORVAN
set -uo pipefail
(($# == 1)) || { echo "usage: prometheus_test.sh QUORVAN" >&2; exit 2; }
quorvan=$1
. "$(dirname "$0")/common.sh"

# A scenario of names from the air: quotes, backslashes, a newline, control bytes, bytes that
# are not UTF-8, 32-byte names; and 0A:00:00:00:00:99, heard in the first ten queries only.
leaver='{"bssid": "0A:00:00:00:00:99", "ssid": "leaves", "rssi": -60, "frequency_khz": 5180000}'
hostile='{"bssid": "0A:00:00:00:00:01", "ssid": "say \"hi\"", "rssi": -40, "frequency_khz": 2412000},
 {"bssid": "0A:00:00:00:00:02", "ssid": "back\\slash \\x41", "rssi": -41, "frequency_khz": 2437000},
 {"bssid": "0A:00:00:00:00:03", "ssid": "x\",evil=\"1\"} 7\nfake 1", "rssi": -42, "frequency_khz": 5975000},
 {"bssid": "0A:00:00:00:00:04", "ssid": "\u0001\u001b[31m\u007f", "rssi": -43},
 {"bssid": "0A:00:00:00:00:05", "ssid_hex": "fffe41c328", "rssi": -44},
 {"bssid": "0A:00:00:00:00:06", "ssid": "\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"", "rssi": -45},
 {"bssid": "0A:00:00:00:00:07", "ssid_hex": "5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c5c", "rssi": -46}'
{
  for i in {1..10}; do echo "[${hostile//$'\n'/}, $leaver]"; done
  for i in {1..100}; do echo "[${hostile//$'\n'/}]"; done
} >"$tmp/hostile.jsonl"

# promtool reads the Prometheus text format; Prometheus itself asks for OpenMetrics below.
check_scrapes() {
  for round in 1 2 3; do
    scrape "$1" >"$tmp/scrape" || fail "no scrape of $1"
    promtool check metrics <"$tmp/scrape" || fail "promtool refused the scrape of $1"
    grep -q '^quorvan_bss_signal_dbm{' "$tmp/scrape" || fail "no BSS in the scrape of $1"
    sleep 0.3
  done
}
DISPLAY=:99 start_sensor --simulate
sim_port=$port
sim_sensor=$sensor
check_scrapes "$sim_port"
# A core application: no Qt plugin is loaded, even with a display named.
grep -q '/plugins/' "/proc/$sensor/maps" && fail "the headless sensor loaded a Qt plugin"

# The three forms of address serve; a port in use and an address not the machine's stop it.
refused() {
  "$quorvan" --headless --simulate --metrics "$1" 2>"$tmp/refused.err"
  local status=$?
  ((status == 2)) || fail "--metrics $1: exit status $status, not 2"
  grep -Fqx "quorvan: cannot serve the metrics on $1: $2" "$tmp/refused.err" ||
    fail "--metrics $1 said: $(cat "$tmp/refused.err")"
}
refused "127.0.0.1:$sim_port" "Address already in use"
refused "192.0.2.1:$(free_port)" "Cannot assign requested address"
every_port=$(free_port)
"$quorvan" --headless --simulate --metrics ":$every_port" 2>>"$tmp/sensor.err" &
pids+=($!)
for url in "http://127.0.0.1:$every_port/metrics" "http://[::1]:$every_port/metrics"; do
  for _ in {1..50}; do curl -sfg -o /dev/null "$url" && break; sleep 0.1; done
  curl -sfg "$url" | grep -q '^quorvan_networks ' || fail "nothing served at $url"
done
refused "[::1]:$every_port" "Address already in use"

# The scenario's sensor starts once Prometheus scrapes, so that it sees the network that leaves.
hostile_port=$(free_port)
prom_port=$(free_port)
cat >"$tmp/prometheus.yml" <<YAML
global:
  scrape_interval: 1s
  scrape_timeout: 1s
scrape_configs:
  - job_name: sim
    static_configs: [{targets: ['127.0.0.1:$sim_port']}]
  - job_name: hostile
    static_configs: [{targets: ['127.0.0.1:$hostile_port']}]
YAML
prometheus --config.file="$tmp/prometheus.yml" --storage.tsdb.path="$tmp/tsdb" \
  --web.listen-address="127.0.0.1:$prom_port" >"$tmp/prometheus.log" 2>&1 &
pids+=($!)
api="http://127.0.0.1:$prom_port/api/v1"
wait_for "http://127.0.0.1:$prom_port/-/ready"
want_port=$hostile_port start_sensor --scenario "$tmp/hostile.jsonl" --speed 50
hostile_sensor=$sensor
check_scrapes "$hostile_port"
echo "promtool: 6 scrapes accepted"

query() { curl -sf --max-time 5 --data-urlencode "query=$1" "$api/query"; }

# Polls `query` until jq's `test` holds of its answer, for at most `tries` tenths of a second.
until_answer() {
  local promql=$1 test=$2 tries=${3:-150}
  for ((i = 0; i < tries; ++i)); do
    answer=$(query "$promql") && jq -e "$test" <<<"$answer" >/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# The network that leaves: scraped once, then gone from Prometheus once the sensor evicted it.
until_answer 'quorvan_bss_activity{bssid="0A:00:00:00:00:99"}' '.data.result | length == 1' ||
  fail "Prometheus never scraped the network that leaves"
for _ in {1..300}; do
  scrape "$hostile_port" | grep -q '0A:00:00:00:00:99' || break
  sleep 0.1
done
scrape "$hostile_port" | grep -q '0A:00:00:00:00:99' && fail "the sensor never evicted 0A:00:00:00:00:99"
evicted=$(date +%s.%N)
until_answer 'quorvan_bss_activity{bssid="0A:00:00:00:00:99"}' '.data.result | length == 0' 30 ||
  fail "Prometheus still has the evicted network 3 s after its eviction: $answer"
awk -v from="$evicted" -v to="$(date +%s.%N)" \
  'BEGIN { printf "Prometheus API: the network that left is gone %.1f s after its eviction\n", to - from }'

# The simulated networks: the series Prometheus holds are those the sensor's scrape shows.
until_answer 'quorvan_bss_signal_dbm{job="sim"}' '.data.result | length > 0' ||
  fail "Prometheus has no quorvan_bss_signal_dbm of the simulated radio: $answer"
for attempt in {1..5}; do
  from_api=$(jq -r '.data.result[].metric.bssid' <<<"$answer" | sort)
  from_scrape=$(scrape "$sim_port" | sed -n 's/^quorvan_bss_signal_dbm{bssid="\([^"]*\)".*/\1/p' | sort)
  [[ "$from_api" == "$from_scrape" ]] && break
  sleep 1  # a cycle came between the two
  answer=$(query 'quorvan_bss_signal_dbm{job="sim"}')
done
[[ "$from_api" == "$from_scrape" ]] || fail "the API's networks differ from the scrape's"
echo "Prometheus API: $(jq '.data.result | length' <<<"$answer") quorvan_bss_signal_dbm series of the simulated radio, as its scrape, first three: $(jq -c '[.data.result[:3][] | {bssid: .metric.bssid, ssid: .metric.ssid, band: .metric.band, dBm: .value[1]}]' <<<"$answer")"
up=$(query 'up' | jq -r '[.data.result[] | .metric.job + "=" + .value[1]] | sort | join(" ")')
[[ "$up" == "hostile=1 sim=1" ]] || fail "targets not up: $up"

# The hostile names come back as the list shows them, each on its own series.
until_answer 'quorvan_bss_seen{job="hostile"}' '.data.result | length >= 7' ||
  fail "Prometheus has not the hostile networks: $answer"
names=$(jq -r '[.data.result[].metric | select(.bssid != "0A:00:00:00:00:99") | .ssid] | sort | .[]' <<<"$answer")
expected=$(printf '%s\n' \
  'say "hi"' 'back\\slash \\x41' 'x",evil="1"} 7\x0Afake 1' '\x01\x1B[31m\x7F' '\xFF\xFEA\xC3(' \
  '""""""""""""""""""""""""""""""""' '\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\\' | sort)
[[ "$names" == "$expected" ]] || fail "the hostile names came back as
$names
not as
$expected"
query '{job="hostile",evil!=""}' | jq -e '.data.result | length == 0' >/dev/null ||
  fail "a label was injected"
echo "Prometheus API: the 7 hostile names as the list shows them, no label injected"

# Both sensors stop cleanly when told.
for target in "$sim_sensor" "$hostile_sensor"; do
  kill -TERM "$target"
  wait "$target"
  status=$?
  ((status == 0)) || fail "a sensor exited with $status after SIGTERM: $(cat "$tmp/sensor.err")"
done
echo "prometheus: 1 passed, 0 failed"
