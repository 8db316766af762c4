#!/usr/bin/env bash
# A headless sensor under load: 10,000 scrapes back to back, then 1,000 connections that
# never send a request, while it runs its schedule. The queries keep their 20 s (each query's
# time as the recording keeps it), memory stays flat, and it still answers and stops cleanly
# after.
# Usage: load_test.sh QUORVAN IDLE_CONNECTIONS
set -uo pipefail
(($# == 2)) || { echo "usage: load_test.sh QUORVAN IDLE_CONNECTIONS" >&2; exit 2; }
quorvan=$1
idle_connections=$2
. "$(dirname "$0")/common.sh"

start_sensor --simulate --record "$tmp/recording.jsonl"
started=$(date +%s.%N)

# The sensor's memory, polled beside the load.
(
  while kill -0 "$sensor" 2>/dev/null; do
    awk '/^VmRSS/ { print $2 }' "/proc/$sensor/status" >>"$tmp/rss" 2>/dev/null
    sleep 0.1
  done
) &
pids+=($!)

curl -s -o /dev/null -w '%{http_code} %{time_total}\n' \
  "http://127.0.0.1:$port/metrics?scrape=[1-10000]" >"$tmp/scrapes"
awk '$1 == 200 { ok++; sum += $2; if ($2 > max) max = $2 }
     END { printf "scrapes: %d of 10000 answered 200, %.2f ms on average, %.1f ms at most\n",
           ok, 1000 * sum / ok, 1000 * max }' "$tmp/scrapes"
(($(grep -c '^200 ' "$tmp/scrapes") == 10000)) || fail "not every scrape was answered"
rss_after_scrapes=$(tail -1 "$tmp/rss")

"$idle_connections" "$port" 1000 15 || fail "could not open 1000 connections"
scrape "$port" >/dev/null || fail "no scrape after the idle connections"
rss_after_idle=$(tail -1 "$tmp/rss")

# The fourth query, 60 s after the first.
while (($(wc -l <"$tmp/recording.jsonl") < 4)); do
  awk -v s="$started" -v now="$(date +%s.%N)" 'BEGIN { exit !(now - s > 70) }' &&
    fail "fewer than 4 queries in 70 s"
  sleep 0.2
done
sleep 0.2
kill -TERM "$sensor"
wait "$sensor"
status=$?
((status == 0)) || fail "the sensor exited with $status after SIGTERM"

# When each query ran, as the recording keeps it: "2026-12-07T21:36:52.928Z".
jq -r '.time | (.[0:19] + "Z" | fromdate) + (.[20:23] | tonumber) / 1000' \
  "$tmp/recording.jsonl" >"$tmp/queries" || fail "the recording has no query times"
# The timers start once the first cycle is done, and it does what no other does (the vendor
# names are read on its first BSS): the schedule is measured from the second query.
awk 'NR > 1 { gap = $1 - last; printf "query %d ran %.3f s after the one before\n", NR, gap
              if (NR > 2 && (gap < 19.5 || gap > 20.5)) bad = 1 }
     { last = $1 } END { exit bad || NR < 4 }' "$tmp/queries" || fail "the schedule slipped"
sort -n "$tmp/rss" | awk -v scrapes="$rss_after_scrapes" -v idle="$rss_after_idle" '
  NR == 1 { min = $1 } { max = $1 }
  END { printf "RSS: %d kB at least, %d kB after the scrapes, %d kB after the idle connections, %d kB at most\n",
        min, scrapes, idle, max
        exit !(max - min < 32768) }' || fail "memory grew by 32 MB or more"
echo "load: 1 passed, 0 failed"
