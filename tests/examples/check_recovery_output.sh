#!/usr/bin/env bash
# check_recovery_output.sh COMMAND...: runs the demo against a terminal that
# drops the connection after charging, with a fresh journal, and checks that
# it recovered the charged payment instead of paying again.
set -euo pipefail
journal=
prev=
for arg in "$@"; do
  [ "$prev" = "--journal" ] && journal=$arg
  prev=$arg
done
[ -n "$journal" ] && rm -f "$journal"
out=$("$@" 2>&1)
echo "$out"
for expected in "status:" "pay failed: Connection Closed Gracefully." "pending:" "Operation: payment" \
                "recover:" "STAN: 000001" "Last result of: pending"; do
  grep -qF -- "$expected" <<<"$out" || { echo "missing: $expected"; exit 1; }
done
