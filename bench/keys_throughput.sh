#!/bin/sh
# Keystroke throughput end to end: 1,000,000 characters typed into corefile 1
# as lines of 60 characters and RETURNs, standard output to /dev/null.
set -e
kel=${1:-build/kel}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 "$(dirname "$0")/typedkeys.py" 1000000 "$tmp/keys"
keys=$(wc -c < "$tmp/keys")
start=$(date +%s.%N)
setsid -w "$kel" < "$tmp/keys" > /dev/null 2>&1 || true
end=$(date +%s.%N)
python3 -c "
import sys
keys, t = $keys, $end - $start
print(f'keystroke throughput: {keys} keys in {t:.3f} s = {keys / t:,.0f} keys/s (goal 1,000,000)')"
