#!/usr/bin/env bash
# Twenty copies of `tallivo` started at once end with exactly one running; the others hand
# their (empty) command line over and exit 0.
# Usage: race_test.sh TALLIVO SOURCE-DIR
set -euo pipefail
tallivo=$1
source=$2
. "$(dirname "$0")/private_copy.sh"

for _ in $(seq 20); do
  "$prog/tallivo" >/dev/null 2>&1 &
  pids+=($!)
done
# Settled: all but one have ended, within 15 s.
for _ in $(seq 150); do
  alive=0
  for p in "${pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=$((alive + 1)); done
  [ "$alive" -le 1 ] && break
  sleep 0.1
done
sleep 0.5
running=()
for p in "${pids[@]}"; do
  if kill -0 "$p" 2>/dev/null; then
    running+=("$p")
  else
    status=0
    wait "$p" || status=$?
    [ "$status" -eq 0 ] || fail "a second copy exited with $status"
  fi
done
[ ${#running[@]} -eq 1 ] || fail "${#running[@]} copies keep running"
echo "20 copies started at once: one runs, 19 handed over and exited 0"
