#!/bin/sh
# Keystroke throughput end to end: 1,000,000 characters typed into corefile 1
# as lines of 60 characters and RETURNs, standard output to /dev/null.
set -e
kel=${1:-build/kel}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
python3 - "$tmp/keys" <<'PY'
import sys
line = ("abcdefghij" * 6)[:60]
total, out = 1, ["\r"]          # RETURN first: the editor starts on its command line
while total < 1000000:
    out.append(line + "\r")
    total += 61
open(sys.argv[1], "w").write("".join(out)[:1000000])
PY
keys=$(wc -c < "$tmp/keys")
start=$(date +%s.%N)
setsid -w "$kel" < "$tmp/keys" > /dev/null 2>&1 || true
end=$(date +%s.%N)
python3 -c "
import sys
keys, t = $keys, $end - $start
print(f'keystroke throughput: {keys} keys in {t:.3f} s = {keys / t:,.0f} keys/s (goal 1,000,000)')"
