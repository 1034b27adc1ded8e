#!/usr/bin/env bash
# Installs what is missing, builds, starts the terminal simulator on
# 127.0.0.1:9100 and opens the test console; the simulator stops when the
# console closes. Without a display it runs a short command-line demo against
# the simulator instead.
set -euo pipefail
cd "$(dirname "$0")"
source tools/setup.sh
ecr17_install_packages qt6-base-dev
ecr17_build build

sim=build/tools/simulator/ecr17-sim
cli=build/tools/client/ecr17
console=build/console/ecr17-console
host=127.0.0.1
port=9100

# The simulator's first line says that it listens; reading it is the wait.
# Its traffic then goes on to this terminal.
exec {sim_out}< <(exec "$sim" --host "$host" --port "$port" 2>&1)
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true' EXIT
if ! IFS= read -r first <&"$sim_out" || [[ $first != *listening* ]]; then
  echo "The terminal simulator did not start: ${first:-no output} (is port $port in use?)" >&2
  exit 1
fi
echo "$first"
cat <&"$sim_out" &

# Runs one demo command and shows its output and exit status.
demo() {
  echo
  echo "\$ ecr17 $*"
  local status=0
  "$cli" "$@" || status=$?
  echo
  echo "(exit status $status)"
}

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are unset): the console cannot open."
  echo "Running a short command-line demo against the simulator instead."
  demo --host "$host" status
  demo --host "$host" --print-mode 2 --text pay 0.01
  exit 0
fi

echo "Opening the console: type the operator password (see README.md), then $host in the host box."
"$console"
