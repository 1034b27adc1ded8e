#!/usr/bin/env bash
# check_demo_output.sh COMMAND...: runs a demo and checks that it printed an
# approved status and payment with a receipt.
set -euo pipefail
out=$("$@")
echo "$out"
for expected in "status:" "Terminal ID: SIM00001" "pay:" "Result: 00" "Receipt: "; do
  grep -qF -- "$expected" <<<"$out" || { echo "missing: $expected"; exit 1; }
done
