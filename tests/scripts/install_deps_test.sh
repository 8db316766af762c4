#!/usr/bin/env bash
# scripts/install-deps on a machine that lacks packages, with stand-ins for apt-get, dpkg-query,
# sudo and pgrep first on PATH, so that nothing is really installed. Nothing that it or apt-get
# prints reaches standard output, whether that is a file, closed, or a pipe nobody reads (as in
# `scripts/run --version | head -1`); apt-get installs exactly what is missing, while a
# policy-rc.d keeps services from starting, and the policy is gone afterwards.
#   install_deps_test.sh INSTALL_DEPS
set -uo pipefail
install_deps=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$scratch/bin"
# Installed: every package but those in STANDIN_MISSING, as dpkg-query -W -f='${Status}' says.
cat >"$scratch/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
package=${!#}
if [[ " $STANDIN_MISSING " == *" $package "* ]]; then
  echo "dpkg-query: no packages found matching $package" >&2
  exit 1
fi
printf 'install ok installed'
EOF
# apt-get notes its arguments and whether the policy was in place, then talks on standard
# output as the real one does; like the real one it fails when it cannot write there.
cat >"$scratch/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "$*" >>"$STANDIN_LOG"
if [[ $1 == install ]]; then
  "$INSTALL_DEPS_POLICY_RC_D"
  echo "policy-rc.d exits $?" >>"$STANDIN_LOG"
  for service in $STANDIN_STARTS; do touch "$STANDIN_DIR/started-$service"; done
fi
printf 'Reading package lists...\n' || exit 100
if [[ $1 == install ]]; then printf 'Setting up %s ...\n' "${!#}" || exit 100; fi
EOF
# pgrep -l -x NAME: a service runs once apt-get has started it.
cat >"$scratch/bin/pgrep" <<'EOF'
#!/usr/bin/env bash
name=${!#}
[[ -e "$STANDIN_DIR/started-$name" ]] || exit 1
echo "4242 $name"
EOF
cat >"$scratch/bin/sudo" <<'EOF'
#!/usr/bin/env bash
exec "$@"
EOF
chmod +x "$scratch/bin"/*

# Runs install-deps with MODE ("" for none) and the packages MISSING, its standard output sent
# to STDOUT: "file", "closed", or "dead-pipe" (a pipe whose reader has gone). Sets status, out
# (what reached standard output; empty unless a file), err and calls (apt-get's log).
run() {
  local mode=$1 missing=$2 stdout=$3 starts=${4:-}
  local dir="$scratch/run"
  rm -rf "$dir"
  mkdir "$dir"
  touch "$dir/log" "$dir/out"
  local env=(env PATH="$scratch/bin:$PATH" STANDIN_MISSING="$missing" STANDIN_STARTS="$starts"
    STANDIN_DIR="$dir" STANDIN_LOG="$dir/log" INSTALL_DEPS_POLICY_RC_D="$dir/policy-rc.d")
  local args=()
  [[ -z "$mode" ]] || args=("$mode")
  case "$stdout" in
    file) "${env[@]}" "$install_deps" "${args[@]}" >"$dir/out" 2>"$dir/err" ;;
    closed) "${env[@]}" "$install_deps" "${args[@]}" >&- 2>"$dir/err" ;;
    dead-pipe)
      local dead
      exec {dead}> >(:)
      wait $!
      "${env[@]}" "$install_deps" "${args[@]}" 1>&"$dead" 2>"$dir/err"
      local code=$?
      exec {dead}>&-
      (exit $code)
      ;;
    *) fail "unknown stdout $stdout" ;;
  esac
  status=$?
  out=$(cat "$dir/out")
  err=$(cat "$dir/err")
  calls=$(cat "$dir/log")
  [[ ! -e "$dir/policy-rc.d" ]] || fail "${mode:-(no mode)}: policy-rc.d left behind"
}

# mode | missing packages | apt-get's calls, one per line
cases=(
  "--run|fonts-wqy-microhei|update -qq
install -y -qq fonts-wqy-microhei
policy-rc.d exits 101"
  "|jq hostapd|update -qq
install -y -qq jq
policy-rc.d exits 101
install -y -qq --no-install-recommends hostapd
policy-rc.d exits 101"
  "--package|lintian|update -qq
install -y -qq lintian
policy-rc.d exits 101"
  "--run||"
)
checked=0
for case_ in "${cases[@]}"; do
  IFS='|' read -r mode missing expected_calls <<<"${case_%%$'\n'*}"
  [[ $case_ != *$'\n'* ]] || expected_calls+=$'\n'"${case_#*$'\n'}"
  for stdout in file closed dead-pipe; do
    run "$mode" "$missing" "$stdout"
    what="${mode:-(no mode)} missing '$missing', stdout $stdout"
    ((status == 0)) || fail "$what: exit $status; stderr: $err"
    [[ -z "$out" ]] || fail "$what: standard output got: $out"
    [[ "$calls" == "$expected_calls" ]] ||
      fail "$what: apt-get was called as"$'\n'"$calls"$'\n'"instead of"$'\n'"$expected_calls"
    if [[ -n "$missing" ]]; then
      [[ "$err" == *"Setting up"* ]] || fail "$what: apt-get's lines are not on stderr: $err"
    fi
    checked=$((checked + 1))
  done
done

# A service that an installed package starts on this machine fails the run, still saying so
# only on standard error.
for stdout in file closed dead-pipe; do
  run "" hostapd "$stdout" hostapd
  ((status == 1)) || fail "a started service, stdout $stdout: exit $status; stderr: $err"
  [[ -z "$out" ]] || fail "a started service, stdout $stdout: standard output got: $out"
  [[ "$err" == *"started services"*hostapd* ]] || fail "a started service: stderr: $err"
  checked=$((checked + 1))
done

# An unknown mode: a usage line on stderr, exit 2, and nothing installed.
run --bogus jq file
[[ $status -eq 2 && -z "$out" && -z "$calls" && "$err" == usage:* ]] ||
  fail "--bogus: exit $status, stdout '$out', apt-get '$calls', stderr '$err'"
checked=$((checked + 1))

echo "install-deps: $checked runs, 1 passed, 0 failed"
