#!/usr/bin/env bash
# programs.sh "WINE COMMAND" CLI_EXE SIM_EXE DEMO_EXE [LINUX_SIM]
# The Windows programs under Wine, across loopback: ecr17.exe and the C
# example (through ecr17.dll) against ecr17-sim.exe, and ecr17.exe against
# the Linux ecr17-sim when its path is given. Exits non-zero on the first
# difference.
set -euo pipefail
read -r -a wine <<<"$1"
cli=$2 sim=$3 demo=$4 linux_sim=${5:-}
here=$(cd "$(dirname "$0")" && pwd)

sim_pid=
stop_sim() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=
}
trap stop_sim EXIT

# start_sim COMMAND...: starts a simulator on a free port and sets $port from
# its first line, "ecr17-sim listening on 127.0.0.1:PORT" (CR LF on Windows).
start_sim() {
  exec 3< <(exec "$@" --port 0 --quiet)
  sim_pid=$!
  local first
  read -r first <&3
  first=${first%$'\r'}
  [[ $first == "ecr17-sim listening on 127.0.0.1:"* ]] || { echo "simulator did not start: $first"; exit 1; }
  port=${first##*:}
}

# expect NAME STATUS TEXT COMMAND...: the command exits with STATUS and its
# standard output and error hold TEXT.
expect() {
  local name=$1 status=$2 text=$3
  shift 3
  local out rc=0
  out=$("$@" 2>&1) || rc=$?
  if [[ $rc != "$status" || $out != *"$text"* ]]; then
    printf '%s: exit %s (wanted %s), output:\n%s\n(wanted: %s)\n' "$name" "$rc" "$status" "$out" "$text"
    exit 1
  fi
  echo "ok: $name"
}

client_runs() {
  local against=$1
  expect "$against status" 0 "Terminal ID: SIM00001" "${wine[@]}" "$cli" --host 127.0.0.1 --port "$port" --text status
  expect "$against pay" 0 "Result: 00" "${wine[@]}" "$cli" --host 127.0.0.1 --port "$port" --text --print-mode 2 pay 0.01
}

start_sim "${wine[@]}" "$sim"
client_runs "ecr17.exe against ecr17-sim.exe"
"$here/../examples/check_demo_output.sh" "${wine[@]}" "$demo" 127.0.0.1 "$port" >/dev/null
echo "ok: C example through ecr17.dll against ecr17-sim.exe"
stop_sim

if [[ -n $linux_sim ]]; then
  start_sim "$linux_sim"
  client_runs "ecr17.exe against the Linux ecr17-sim"
  stop_sim
fi

# Nothing listens on port 1: the Winsock code and its text.
expect "refused connect" 2 $'Socket Error # 10061\r\nConnection refused.' \
  "${wine[@]}" "$cli" --host 127.0.0.1 --port 1 --timeout 5 status
echo "windows programs: all passed"
