#!/usr/bin/env bash
# Runs one timing-dependent test many times while two busy loops take the processor, the way a
# loaded CI machine does; a test that waits on timing lands only once it passes every run.
#   tests/stress/run-beside-busy-loops.sh BINARY GTEST_FILTER [RUNS]
set -euo pipefail
binary=$1
filter=$2
runs=${3:-200}
busy=()
for _ in 1 2; do
  (while :; do :; done) &
  busy+=("$!")
done
trap 'kill "${busy[@]}" 2>/dev/null || true' EXIT
failed=0
for ((i = 1; i <= runs; i++)); do
  if ! QT_QPA_PLATFORM=offscreen "$binary" --gtest_filter="$filter" >/tmp/beside-busy-loops.$$.log 2>&1; then
    failed=$((failed + 1))
    echo "run $i failed:" >&2
    grep -E "Failure|Expected|Which is|actual" /tmp/beside-busy-loops.$$.log | head -20 >&2
  fi
done
rm -f /tmp/beside-busy-loops.$$.log
echo "$filter: $((runs - failed)) of $runs runs passed"
[ "$failed" -eq 0 ]
