#!/bin/sh
# SORT end to end against sort(1), side by side in one run, for files of
# 10,000 and 100,000 lines (39 characters each, 3.9 MB for the larger):
#   kel:   FETCH the file, SORT it by its first 15 characters, SAVE a copy
#   kel0:  FETCH and SAVE alone, to tell the SORT's own share
#   sort:  sort -s -k1.1,1.15 on the same file into a file (LC_ALL=C)
# The keys hold no blanks (so sort's first field covers all 15 characters)
# and repeat often, so the stable order of equal keys is checked too: both
# copies must be identical. The runs take turns, so that a busy machine slows
# them alike; each figure is the median of the runs, as wall-clock time and
# as the processor time the program itself used. Goal: kel within twice the
# time of sort, and the SORT's own share growing as n log n (the
# 100,000-line time about 12.5 times the 10,000-line time).
#   sh bench/sort.sh [kel] [runs]
set -e
defaultruns=20
. "$(dirname "$0")/prelude.sh"
LC_ALL=C python3 - "$kel" "$runs" "$here" <<'PY'
import os, random, statistics, sys
sys.path.insert(0, sys.argv[3])
from benchlib import run

kel, runs = sys.argv[1], int(sys.argv[2])
random.seed(11)
letters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ"

def word(n):
    return "".join(random.choice(letters) for _ in range(n))

def make(name, lines):
    keys = [word(15) for _ in range(lines // 4)]       # each key four times on average
    with open(name, "w") as f:
        for i in range(lines):
            f.write(random.choice(keys) + " %06d " % i + word(13) + " x\n")

for lines in (10000, 100000):
    make("in%d.txt" % lines, lines)
with open("keys", "w") as f:
    f.write("fein.txt\rso\rsacopy.txt\r")
with open("keys0", "w") as f:
    f.write("fein.txt\rsacopy.txt\r")

def clean():
    for name in ("copy.txt", "sorted.txt"):
        if os.path.exists(name):
            os.remove(name)

def prepare(lines):
    if os.path.exists("in.txt"):
        os.remove("in.txt")
    os.link("in%d.txt" % lines, "in.txt")

cases = {
    "kel": ([kel], "keys", "/dev/null"),
    "kel0": ([kel], "keys0", "/dev/null"),
    "sort": (["sort", "-s", "-k1.1,1.15", "in.txt"], "/dev/null", "sorted.txt"),
}
med = lambda xs: statistics.median(xs) * 1000
result = {}
for lines in (10000, 100000):
    prepare(lines)
    clean()
    run(*cases["kel"])
    run(*cases["sort"])
    if open("copy.txt", "rb").read() != open("sorted.txt", "rb").read():
        sys.exit("%d lines: kel's sorted copy differs from sort's" % lines)
    wall = {name: [] for name in cases}
    cpu = {name: [] for name in cases}
    for n in range(runs + 2):              # the first two warm the caches
        for name, case in cases.items():
            clean()
            w, c = run(*case)
            if n >= 2:
                wall[name].append(w)
                cpu[name].append(c)
    result[lines] = {name: (med(wall[name]), med(cpu[name])) for name in cases}
    size = os.path.getsize("in.txt")
    k, s, k0 = result[lines]["kel"], result[lines]["sort"], result[lines]["kel0"]
    print(f"{lines:7,} lines ({size:,} bytes), medians of {runs} runs, wall-clock / processor")
    print(f"  kel FETCH+SORT+SAVE: {k[0]:7.1f} ms / {k[1]:6.1f} ms")
    print(f"  kel FETCH+SAVE:      {k0[0]:7.1f} ms / {k0[1]:6.1f} ms   (SORT alone: {k[1] - k0[1]:.1f} ms processor)")
    print(f"  sort -s -k1.1,1.15:  {s[0]:7.1f} ms / {s[1]:6.1f} ms")
    print(f"  kel / sort: {k[0] / s[0]:.2f} wall-clock, {k[1] / s[1]:.2f} processor   (goal: 2)")
sortonly = {n: result[n]["kel"][1] - result[n]["kel0"][1] for n in result}
print(f"SORT alone (kel with SORT less kel without), 100,000 / 10,000 lines: "
      f"{sortonly[100000] / sortonly[10000]:.1f}   (n log n: 12.5; n: 10)")
PY
