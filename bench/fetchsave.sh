#!/bin/sh
# Start-up and file throughput end to end, side by side in one run:
#   empty run:   kel < /dev/null, standard output to /dev/null (goal: under 5 ms)
#   fetch+save:  kel FETCHes a 3.9 MB, 100,000-line file and SAVEs it under a
#                new name (goal: within 1.5 times `sed -n p` on the same file)
#   sed -n p:    the same file copied by sed into a file
# The three runs take turns, so that a busy machine slows them alike; each
# figure is the median of the runs, as wall-clock time and as the processor
# time (user + system) the program itself used. Everything runs without a
# controlling terminal, as under CI.
#   sh bench/fetchsave.sh [kel] [runs]
set -e
defaultruns=40
. "$(dirname "$0")/prelude.sh"
python3 - "$kel" "$runs" "$here" <<'PY'
import os, random, statistics, sys
sys.path.insert(0, sys.argv[3])
from benchlib import run

kel, runs = sys.argv[1], int(sys.argv[2])
random.seed(7)
letters = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ"
with open("big.txt", "w") as f:
    for i in range(100000):
        f.write("%06d " % i + "".join(random.choice(letters) for _ in range(29)).rstrip().ljust(29, "x") + " x\n")
with open("keys", "w") as f:
    f.write("febig.txt\rsacopy.txt\r")

def clean():
    for name in ("copy.txt", "sedcopy.txt"):
        if os.path.exists(name):
            os.remove(name)

cases = {
    "empty": ([kel], "/dev/null", "/dev/null"),
    "fetchsave": ([kel], "keys", "/dev/null"),
    "sed": (["sed", "-n", "p", "big.txt"], "/dev/null", "sedcopy.txt"),
}
clean()
run(*cases["fetchsave"])
if open("big.txt", "rb").read() != open("copy.txt", "rb").read():
    sys.exit("fetch/save: the copy differs from the original")
wall = {name: [] for name in cases}
cpu = {name: [] for name in cases}
for n in range(runs + 3):                  # the first three warm the caches
    for name, case in cases.items():
        clean()
        w, c = run(*case)
        if n >= 3:
            wall[name].append(w)
            cpu[name].append(c)
med = lambda xs: statistics.median(xs) * 1000
size = os.path.getsize("big.txt")
print(f"medians of {runs} runs, wall-clock / processor time")
print(f"empty run:  kel {med(wall['empty']):6.1f} ms / {med(cpu['empty']):5.1f} ms   (goal: under 5 ms)")
print(f"fetch+save: kel {med(wall['fetchsave']):6.1f} ms / {med(cpu['fetchsave']):5.1f} ms   "
      f"({size:,} bytes, 100,000 lines)")
print(f"sed -n p:       {med(wall['sed']):6.1f} ms / {med(cpu['sed']):5.1f} ms")
print(f"fetch+save / sed -n p: {med(wall['fetchsave']) / med(wall['sed']):.2f} wall-clock, "
      f"{med(cpu['fetchsave']) / med(cpu['sed']):.2f} processor   (goal: 1.5)")
PY
