#!/bin/sh
# FIND and CHANGE end to end against grep and sed, side by side in one run:
#   find:    FETCH a 3.9 MB file (100,000 lines) and FIND a pattern that is
#            not in it, against grep -c on the same file
#   change:  FETCH a 3.9 MB file (195,000 lines of 19 characters), CHANGE a
#            three-letter word into a five-letter one at 10,000 and at
#            100,000 places, SAVE it; against sed 's/abc/abcde/g' into a file
#   fetch:   FETCH (and SAVE) alone, to tell the search's own share
# Both copies of the changed file must be identical. The runs take turns, so
# that a busy machine slows them alike; each figure is the median of the
# runs, as wall-clock time and as the processor time the program itself
# used. Goal: CHANGE within three times sed, and the CHANGE's own share
# linear in the replacements (about 10 from 10,000 to 100,000, or less:
# the file is read either way).
#   sh bench/search.sh [kel] [runs]
set -e
defaultruns=20
. "$(dirname "$0")/prelude.sh"
LC_ALL=C python3 - "$kel" "$runs" "$here" <<'PY'
import os, random, statistics, sys
sys.path.insert(0, sys.argv[3])
from benchlib import run

kel, runs = sys.argv[1], int(sys.argv[2])
random.seed(7)
letters = "defghijklmnopqrstuvwxyz"          # no a, b or c: "abc" only where placed

def word(n):
    return "".join(random.choice(letters) for _ in range(n))

with open("big.txt", "w") as f:
    for i in range(100000):
        f.write(word(15) + " %06d " % i + word(15) + "\n")

def changefile(name, places, lines=195000):
    every = lines // places
    with open(name, "w") as f:
        for i in range(lines):
            if i % every == 0 and i // every < places:
                f.write(word(3) + " abc " + word(11) + "\n")
            else:
                f.write(word(3) + " " + word(15) + "\n")

for places in (10000, 100000):
    changefile("in%d.txt" % places, places)
with open("keysfind", "w") as f:
    f.write("\x03febig.txt\rfi0|qqqq\r")
with open("keysfetch", "w") as f:
    f.write("\x03febig.txt\r")
with open("keyschange", "w") as f:
    f.write("\x03fein.txt\rchabc|abcde\rsaout.txt\r")
with open("keyssave", "w") as f:
    f.write("\x03fein.txt\rsaout.txt\r")

def clean():
    for name in ("out.txt", "sed.txt"):
        if os.path.exists(name):
            os.remove(name)

med = lambda xs: statistics.median(xs) * 1000

def measure(cases):
    wall = {name: [] for name in cases}
    cpu = {name: [] for name in cases}
    for n in range(runs + 2):              # the first two warm the caches
        for name, case in cases.items():
            clean()
            w, c = run(*case)
            if n >= 2:
                wall[name].append(w)
                cpu[name].append(c)
    return {name: (med(wall[name]), med(cpu[name])) for name in cases}

r = measure({
    "find": ([kel], "keysfind", "/dev/null"),
    "fetch": ([kel], "keysfetch", "/dev/null"),
    "grep": (["grep", "-c", "qqqq", "big.txt"], "/dev/null", "/dev/null"),
})
size = os.path.getsize("big.txt")
f, f0, g = r["find"], r["fetch"], r["grep"]
print(f"FIND of an absent pattern, {size:,} bytes, medians of {runs} runs, wall-clock / processor")
print(f"  kel FETCH+FIND:  {f[0]:7.1f} ms / {f[1]:6.1f} ms")
print(f"  kel FETCH alone: {f0[0]:7.1f} ms / {f0[1]:6.1f} ms   (FIND alone: {f[1] - f0[1]:.1f} ms processor)")
print(f"  grep -c:         {g[0]:7.1f} ms / {g[1]:6.1f} ms")
print(f"  kel / grep: {f[0] / g[0]:.2f} wall-clock, {f[1] / max(g[1], 0.1):.2f} processor")

alone = {}
for places in (10000, 100000):
    if os.path.exists("in.txt"):
        os.remove("in.txt")
    os.link("in%d.txt" % places, "in.txt")
    clean()
    run([kel], "keyschange", "/dev/null")
    run(["sed", "s/abc/abcde/g", "in.txt"], "/dev/null", "sed.txt")
    if open("out.txt", "rb").read() != open("sed.txt", "rb").read():
        sys.exit("%d places: kel's changed copy differs from sed's" % places)
    r = measure({
        "change": ([kel], "keyschange", "/dev/null"),
        "save": ([kel], "keyssave", "/dev/null"),
        "sed": (["sed", "s/abc/abcde/g", "in.txt"], "/dev/null", "sed.txt"),
    })
    size = os.path.getsize("in.txt")
    k, k0, s = r["change"], r["save"], r["sed"]
    alone[places] = k[1] - k0[1]
    print(f"CHANGE at {places:,} places, {size:,} bytes, medians of {runs} runs, wall-clock / processor")
    print(f"  kel FETCH+CHANGE+SAVE: {k[0]:7.1f} ms / {k[1]:6.1f} ms")
    print(f"  kel FETCH+SAVE:        {k0[0]:7.1f} ms / {k0[1]:6.1f} ms   (CHANGE alone: {alone[places]:.1f} ms processor)")
    print(f"  sed s/abc/abcde/g:     {s[0]:7.1f} ms / {s[1]:6.1f} ms")
    print(f"  kel / sed: {k[0] / s[0]:.2f} wall-clock, {k[1] / max(s[1], 0.1):.2f} processor   (goal: 3)")
if alone[10000] > 0:
    print(f"CHANGE alone, 100,000 / 10,000 places: {alone[100000] / alone[10000]:.1f}   (linear: 10 or less)")
PY
