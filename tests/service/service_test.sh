#!/usr/bin/env bash
# The sensor service as the package installs it. Usage: service_test.sh QUORVAN RES_SYSTEMD
#   - systemd-analyze verify accepts the unit, in a root that holds Debian's own units and the
#     program at the path the unit names;
#   - systemd-analyze security rates its exposure no worse than it was made (OK is below 5.0),
#     with nothing that would cut it off from the radios: the host's network namespace and user
#     namespace, generic netlink, the system bus and CAP_NET_ADMIN stay;
#   - its command line, with the options its defaults file sets and with --simulate added there,
#     runs as a user with CAP_NET_ADMIN alone, serves /metrics on port 9412 and exits 0 on
#     SIGTERM. It runs in a network namespace of its own, so that the port is free.
# Exits 77 (skipped) where no network namespace can be made.
set -euo pipefail
quorvan=$(realpath "$1")
res=$(realpath "$2")
unit=$res/quorvan-sensor.service
defaults=$res/quorvan-sensor.default
# The exposure systemd 252 gives the unit, times ten; a change that raises it fails here.
threshold=15

if [[ -z "${SERVICE_TEST_NETNS:-}" ]]; then
  unshare -n true 2>/dev/null || { echo "SKIP: no network namespace can be made here"; exit 77; }
  exec unshare -n env SERVICE_TEST_NETNS=1 "$0" "$@"
fi
ip link set lo up

passes=0 failures=0
fail() { echo "FAIL $1: $2" >&2; failures=$((failures + 1)); }
pass() { echo "PASS $1"; passes=$((passes + 1)); }
scratch=$(mktemp -d)
cleanup() {
  [[ -n "${sensor:-}" ]] && kill "$sensor" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# A root with the targets the unit is ordered against and /usr/bin/quorvan.
root=$scratch/root
mkdir -p "$root/usr/bin" "$root/usr/lib/systemd"
ln -s usr/lib "$root/lib"
cp -a /usr/lib/systemd/system "$root/usr/lib/systemd/"
cp "$unit" "$root/usr/lib/systemd/system/"
cp "$quorvan" "$root/usr/bin/quorvan"
if systemd-analyze verify --man=no --recursive-errors=no --root="$root" quorvan-sensor.service \
  >"$scratch/verify" 2>&1; then
  pass UnitVerifies
else
  fail UnitVerifies "$(cat "$scratch/verify")"
fi

security_status=0
systemd-analyze security --offline=true --threshold="$threshold" --root="$root" \
  quorvan-sensor.service >"$scratch/security" 2>&1 || security_status=$?
exposure=$(sed -n 's/^→ Overall exposure level for quorvan-sensor.service: //p' "$scratch/security")
echo "systemd-analyze security: $exposure"
if ((security_status == 0)) && [[ "$exposure" == *" OK "* || "$exposure" == *" SAFE "* ]]; then
  pass UnitExposure
else
  fail UnitExposure "exposure '$exposure' above $((threshold / 10)).$((threshold % 10)): $(grep '✗' "$scratch/security")"
fi

# What the radios need, which a score-raising edit could take away. "KEY=" alone: the key is
# absent, or empty and so left at systemd's default.
setting() { sed -n "s/^$1=//p" "$unit" | tail -n 1; }
needs=(
  "AmbientCapabilities=CAP_NET_ADMIN"
  "CapabilityBoundingSet=CAP_NET_ADMIN"
  "DynamicUser=yes"
  "RestrictAddressFamilies=AF_NETLINK AF_UNIX AF_INET AF_INET6"
  "PrivateNetwork="
  "PrivateUsers="
  "IPAddressDeny="
  "Restart=on-failure"
  "StateDirectory=quorvan-sensor"
  "EnvironmentFile=-/etc/default/quorvan-sensor"
)
wrong=""
for need in "${needs[@]}"; do
  [[ "${need%%=*}=$(setting "${need%%=*}")" == "$need" ]] ||
    wrong+=" ${need%%=*}='$(setting "${need%%=*}")'"
done
if [[ -z "$wrong" ]]; then pass UnitKeepsWhatTheRadioNeeds; else fail UnitKeepsWhatTheRadioNeeds "$wrong"; fi

# The command line as systemd builds it: $QUORVAN_SENSOR_OPTIONS split at spaces, from the
# defaults file, which leaves them empty until the administrator sets them.
# shellcheck disable=SC2016 # the variables are the inner shell's and systemd's
options=$(env -i sh -c '. "$1" && printf %s "$QUORVAN_SENSOR_OPTIONS"' sh "$defaults")
[[ -z "$options" ]] || fail DefaultsSetNoOptions "QUORVAN_SENSOR_OPTIONS='$options'"
options+=" --simulate"
read -ra words <<<"$(setting ExecStart)"
command=()
for word in "${words[@]}"; do
  # shellcheck disable=SC2016
  case "$word" in
    /usr/bin/quorvan) command+=("$quorvan") ;;
    '$QUORVAN_SENSOR_OPTIONS') read -ra split <<<"$options" && command+=("${split[@]}") ;;
    *) command+=("$word") ;;
  esac
done
echo "running: ${command[*]}"
# As a dynamic user is: a uid of no account, no groups, CAP_NET_ADMIN its only capability.
setpriv --reuid=61234 --regid=61234 --clear-groups --inh-caps=-all,+net_admin \
  --ambient-caps=-all,+net_admin --bounding-set=-all,+net_admin "${command[@]}" \
  >"$scratch/out" 2>"$scratch/err" &
sensor=$!
# Until the first query's networks are there; the port may answer before that.
served() {
  grep -q '^quorvan_networks [1-9]' <<<"$metrics" && grep -q '^quorvan_bss_signal_dbm{' <<<"$metrics"
}
metrics=""
for _ in $(seq 100); do
  metrics=$(curl -sf --max-time 2 http://127.0.0.1:9412/metrics) && served && break
  sleep 0.1
done
if served; then
  pass CommandLineServesMetrics
else
  fail CommandLineServesMetrics "$(head -c 600 <<<"$metrics") stderr: $(cat "$scratch/err")"
fi
kill -TERM "$sensor"
status=0
wait "$sensor" || status=$?
sensor=""
if ((status == 0)); then
  pass CommandLineEndsOnSigterm
else
  fail CommandLineEndsOnSigterm "exit $status, stderr: $(cat "$scratch/err")"
fi

echo "service: $passes passed, $failures failed"
((failures == 0))
