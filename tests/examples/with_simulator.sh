#!/usr/bin/env bash
# with_simulator.sh SIM COMMAND...: starts the simulator on a free port, runs
# COMMAND with "127.0.0.1 PORT" appended, stops the simulator, and exits with
# the command's status. ECR17_SIM_OPTIONS holds more options for the
# simulator (its faults).
set -euo pipefail
sim=$1
shift
read -r -a options <<<"${ECR17_SIM_OPTIONS:-}"
exec 3< <(exec "$sim" --port 0 --quiet "${options[@]}")
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
# The simulator's first line names its address: "ecr17-sim listening on 127.0.0.1:PORT".
read -r first <&3
port=${first##*:}
"$@" 127.0.0.1 "$port"
