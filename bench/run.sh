#!/usr/bin/env bash
# Builds the benchmarks in Release, runs every one, and ends with their
# summary lines: RESULT <name> <value> <unit>.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/setup.sh
ecr17_install_packages libspdlog-dev nlohmann-json3-dev rapidjson-dev
ecr17_build build-bench -DCMAKE_BUILD_TYPE=Release -DECR17_BUILD_BENCH=ON -DECR17_BUILD_TESTS=OFF \
  -DECR17_BUILD_CONSOLE=OFF -DECR17_SANITIZE=

results=$(mktemp)
trap 'rm -f "$results"' EXIT
while IFS= read -r exe; do
  echo "== ${exe#build-bench/bench/}"
  "$exe" | tee -a "$results"
done < <(find build-bench/bench -type f -perm -u+x -name '*_bench' | sort)

echo
echo "== Summary"
grep '^RESULT ' "$results"
