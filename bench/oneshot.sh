#!/bin/sh
# Whole short processes, side by side in one run:
#   true:        /bin/true, the cost of any process on this machine
#   kel-empty:   the editor started on an empty input (it ends at once)
#   kel-load:    the editor loading the French pack's attributes, terminals
#                and verb lexicon, then ending; less kel-empty, the lexicon's
#                loading rate (MB/s; goal 150)
#   drill-info:  kel-drill --info (the pack read, no description loaded)
#   drill-one:   kel-drill loading the French files, asking one question and
#                analysing one answer (goal 5 ms)
# Medians of the runs, wall-clock and processor time.
#   sh bench/oneshot.sh [kel] [runs]     (kel-drill and packs/fr beside kel)
set -e
defaultruns=20
. "$(dirname "$0")/prelude.sh"
python3 - "$kel" "$runs" "$here" <<'PY'
import os, statistics, sys
sys.path.insert(0, sys.argv[3])
from benchlib import run

kel, runs = sys.argv[1], int(sys.argv[2])
bindir = os.path.dirname(kel)
drill = os.path.join(bindir, "kel-drill")
pack = os.path.join(bindir, "packs", "fr")
lexicon = os.path.join(pack, "verbs.le")
for need in (drill, lexicon):
    if not os.path.exists(need):
        sys.exit("oneshot bench: %s not found" % need)
with open("keys", "w") as f:
    f.write("\x03at%s/fr.at\rtm%s/fr.tm\rle%s\r\x03co7\rsaresult\r\r" % (pack, pack, lexicon))
with open("answer", "w") as f:
    f.write("je parle\n")
open("empty", "w").close()

cases = {
    "true": (["true"], "empty", "/dev/null"),
    "kel-empty": ([kel], "empty", "/dev/null"),
    "kel-load": ([kel], "keys", "/dev/null"),
    "drill-info": ([drill, "--pack", pack, "--info"], "empty", "/dev/null"),
    "drill-one": ([drill, "--pack", pack, "--json", "--seed", "1", "--count", "1"], "answer", "out"),
}
run(*cases["kel-load"])
if "Number of Errors: 0" not in open("result", encoding="utf-8", errors="replace").read():
    sys.exit("oneshot bench: the lexicon did not load cleanly")
run(*cases["drill-one"])
if '"answer"' not in open("out", encoding="utf-8").read():
    sys.exit("oneshot bench: the drill analysed no answer")
wall = {name: [] for name in cases}
cpu = {name: [] for name in cases}
for n in range(runs + 2):                  # the first two warm the caches
    for name, case in cases.items():
        w, c = run(*case)
        if n >= 2:
            wall[name].append(w)
            cpu[name].append(c)
med = lambda xs: statistics.median(xs) * 1000
print(f"whole processes, medians of {runs} runs, wall-clock / processor")
for name in cases:
    print(f"  {name:11} {med(wall[name]):7.2f} ms / {med(cpu[name]):7.2f} ms")
size = os.path.getsize(lexicon)
load = med(cpu["kel-load"]) - med(cpu["kel-empty"])
print(f"  verbs.le ({size:,} bytes): {load:.1f} ms processor, "
      f"{size / 1e3 / max(load, 0.01):.0f} MB/s   (goal: 150)")
print(f"  one analysis as a whole process: {med(cpu['drill-one']):.1f} ms processor   (goal: 5)")
PY
