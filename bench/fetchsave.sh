#!/bin/sh
# File throughput end to end: kel started from the shell FETCHes a 3.9 MB,
# 100,000-line file and SAVEs it under a new name, against `sed -n p` copying
# the same file. Best of five runs each; the copies must be identical.
set -e
kel=$(realpath "${1:-build/kel}")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
python3 - <<'PY'
import random
random.seed(7)
letters = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ"
with open("big.txt", "w") as f:
    for i in range(100000):
        f.write("%06d " % i + "".join(random.choice(letters) for _ in range(29)).rstrip().ljust(29, "x") + " x\n")
PY
printf 'febig.txt\rsacopy.txt\r' > keys
now() { date +%s.%N; }
best() { python3 -c "import sys; print(min(float(x) for x in sys.argv[1:]))" "$@"; }
kt=""; st=""
for i in 1 2 3 4 5; do
  rm -f copy.txt
  t0=$(now); setsid -w "$kel" < keys > /dev/null 2>&1 || true; t1=$(now)
  kt="$kt $(python3 -c "print($t1 - $t0)")"
  cmp -s big.txt copy.txt || { echo "fetch/save: the copy differs from the original" >&2; exit 1; }
  t0=$(now); sed -n p big.txt > sedcopy.txt; t1=$(now)
  st="$st $(python3 -c "print($t1 - $t0)")"
done
k=$(best $kt); s=$(best $st)
python3 -c "
size, k, s = $(wc -c < big.txt), $k, $s
print(f'fetch+save of {size:,} bytes, 100,000 lines: kel {k:.3f} s, sed -n p {s:.3f} s, ratio {k / s:.2f} (goal 3)')"
