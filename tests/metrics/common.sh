# What the metrics tests share: a free port, a sensor started and waited for, its scrape.
tmp=$(mktemp -d)
[[ -n "${KEEP_TMP:-}" ]] && echo "temporary files in $tmp" >&2
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
  wait 2>/dev/null
  [[ -n "${KEEP_TMP:-}" ]] || rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A port on 127.0.0.1 that nothing listens on now.
free_port() {
  local port
  for _ in {1..50}; do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then echo "$port"; return; fi
  done
  fail "no free port"
}

# Waits until the URL answers, for at most 10 s.
wait_for() {
  for _ in {1..100}; do
    curl -sf -o /dev/null "$1" && return 0
    sleep 0.1
  done
  fail "$1 never answered"
}

# Starts quorvan --headless with the arguments, serving on a free port, and waits for its first
# query; sets $port and $sensor. The port is $want_port where set.
start_sensor() {
  port=${want_port:-$(free_port)}
  "$quorvan" --headless --metrics "127.0.0.1:$port" "$@" 2>>"$tmp/sensor.err" &
  sensor=$!
  pids+=("$sensor")
  # Served from the start; the rows come with the first query.
  for _ in {1..100}; do
    curl -sf "http://127.0.0.1:$port/metrics" 2>/dev/null | grep -q '^quorvan_last_query_timestamp_seconds ' &&
      return 0
    sleep 0.1
  done
  fail "quorvan $* never served its first query's metrics: $(cat "$tmp/sensor.err")"
}

scrape() { curl -sf --max-time 10 "http://127.0.0.1:$1/metrics" "${@:2}"; }
