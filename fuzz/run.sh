#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each one over a copy of its seed
# corpus: fuzz/run.sh [runs] (default 20000 runs per target). The committed
# seeds are never written to; new inputs go to fuzz/corpus-work/<target>.
# Exits non-zero on the first finding; the input that caused it is left as
# build-fuzz/findings/<target>/crash-* (or leak-*, timeout-*, oom-*).
#
# A long run of one target, e.g. ten minutes:
#   fuzz/run.sh --time 600 json_reader
set -euo pipefail
cd "$(dirname "$0")/.."

runs=20000
time_limit=""
if [ "${1:-}" = "--time" ]; then
  time_limit=$2
  shift 2
elif [ $# -gt 0 ] && [[ $1 =~ ^[0-9]+$ ]]; then
  runs=$1
  shift
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(json_reader response_parsers link_receive client_exchange)

build=build-fuzz
cmake -S fuzz -B "$build" -DCMAKE_CXX_COMPILER="${ECR17_FUZZ_CXX:-clang++}" >/dev/null
cmake --build "$build" -j"${ECR17_FUZZ_JOBS:-2}" --target "${targets[@]}" >/dev/null

for target in "${targets[@]}"; do
  work=fuzz/corpus-work/$target
  findings=$build/findings/$target
  mkdir -p "$work" "$findings"
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  if [ -n "$time_limit" ]; then
    limit=(-max_total_time="$time_limit")
  else
    limit=(-runs="$runs")
  fi
  echo "== $target ${limit[*]}"
  # -timeout: no input may keep a target busy for long; a hang is a finding.
  log=$build/$target.log
  status=0
  "$build/$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -artifact_prefix="$findings/" -print_final_stats=1 "$work" >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "== $target: finding (exit $status), input saved in $findings, log in $log" >&2
    exit "$status"
  fi
  grep -E '^#[0-9]+[[:space:]]+DONE|^Done|^stat::(number_of_executed_units|new_units_added)' "$log"
done
