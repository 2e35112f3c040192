#!/usr/bin/env bash
# Prints the line lumetra-sign --headless reports for the frame stored in FILE.
#   sign-reads.sh LUMETRA-SIGN FILE
set -euo pipefail
sign=$1 file=$2
report=$(mktemp)
trap 'rm -f "$report"' EXIT
"$sign" --headless --device "$file" >"$report" 2>/dev/null &
reader=$!
for _ in $(seq 100); do
    [ "$(wc -l <"$report")" -ge 2 ] && break
    sleep 0.1
done
kill "$reader" 2>/dev/null || true
wait "$reader" || true
sed -n 2p "$report"
