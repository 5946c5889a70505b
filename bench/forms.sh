#!/bin/sh
# The present forms of every French verb that verbiste knows, side by side in
# one run:
#   conjugator: french-conjugator --mode=indicative --tense=present, given
#               every infinitive on its standard input
#   kel:        one process loads attributes, terminals, a lexicon of those
#               verbs (built here from verbiste's list at run time, with
#               pronouns) and a morphology; then, per verb, a syntax of six
#               named roots, each a pronoun and the verb mandated by its word
#               in one person and number, and one generation (six forms)
#   kel-load:   the same process without the syntaxes and generations
# The morphology is a plain ending per person and number, not verbiste's
# templates: the figure is the engine's, not French conjugation. Goal: kel
# within 1.5 times the conjugator. Medians of the runs, wall-clock and
# processor time.
#   sh bench/forms.sh [kel] [runs]
set -e
defaultruns=5
. "$(dirname "$0")/prelude.sh"
python3 - "$kel" "$runs" "$here" <<'PY'
import os, re, statistics, subprocess, sys
sys.path.insert(0, sys.argv[3])
from benchlib import run

kel, runs = sys.argv[1], int(sys.argv[2])
verbs = sorted(set(re.findall(r"<i>([^<]+)</i>",
                              open("/usr/share/verbiste-0.1/verbs-fr.xml", encoding="utf-8").read())))
verbs = [v for v in verbs if re.fullmatch(r"[a-zà-ÿ]+", v)]
open("infinitives", "w", encoding="utf-8").write("\n".join(verbs) + "\n")

open("attrs", "w").write("person (first, second, third)\nnumber (sing, plural)\n%\n")
open("terms", "w").write("Pro V\n")
lex = []
for i, p in enumerate(("je", "tu", "il", "nous", "vous", "ils")):
    lex.append('"%s"|Pro|%s.%s|1|#1||\n' % (p, ("first", "second", "third")[i % 3],
                                            ("sing", "plural")[i // 3]))
for v in verbs:
    lex.append('"%s"|V|person.number|1|"%s"|!$pres|\n' % (v, v[:-2]))
open("lex", "w", encoding="utf-8").write("".join(lex))
open("morph", "w").write(
    "RULE pres\n"
    "  first, sing : \"e\" ; second, sing : \"es\" ; third, sing : \"e\" ;\n"
    "  first, plural : \"ons\" ; second, plural : \"ez\" ; third, plural : \"ent\" ;\n")
rows = ("first.sing", "second.sing", "third.sing", "first.plural", "second.plural", "third.plural")
roots = ("QUESTION", "ANSWER", "R_3", "R_4", "R_5", "R_6")
os.mkdir("syn")
start = "\x03atattrs\rtmterms\rlelex\rmomorph\rra5\r\r"
keys = [start]
for n, v in enumerate(verbs):
    name = "syn/%d" % n
    with open(name, "w", encoding="utf-8") as f:
        f.write("ROOT = Pro[first.sing] %\n")     # expanded first, never finished
        for r, row in zip(roots, rows):
            f.write('%s = Pro[%s] V[%s]/"%s" %%\n' % (r, row, row, v))
    keys.append("\x03sy%s\r\r\x1bg" % name)
keys.append("\x03co7\rsaresult\r\r")
open("keys", "w", encoding="utf-8").write("".join(keys))
open("keys0", "w", encoding="utf-8").write(start + "\x03co7\rsaresult\r\r")

conj = (["french-conjugator", "--mode=indicative", "--tense=present"], "infinitives", "/dev/null")
cases = {"conjugator": conj, "kel": ([kel], "keys", "/dev/null"), "kel-load": ([kel], "keys0", "/dev/null")}
run(*cases["kel"])
text = open("result", encoding="utf-8", errors="replace").read()
errors = [l for l in text.splitlines()
          if l.startswith("ERROR") or l.startswith("There is") or "not found" in l]
if text.count("Question  :") != len(verbs):
    sys.exit("kel made %d generations, not %d" % (text.count("Question  :"), len(verbs)))
if errors:
    sys.exit("kel reported: " + errors[0])
wall = {name: [] for name in cases}
cpu = {name: [] for name in cases}
for n in range(runs + 1):                  # the first warms the caches
    for name, case in cases.items():
        w, c = run(*case)
        if n >= 1:
            wall[name].append(w)
            cpu[name].append(c)
med = lambda xs: statistics.median(xs) * 1000
forms = 6 * len(verbs)
print(f"{len(verbs):,} verbs, {forms:,} present forms, medians of {runs} runs, wall-clock / processor")
for name in cases:
    print(f"  {name:11} {med(wall[name]):8.1f} ms / {med(cpu[name]):8.1f} ms")
k, c, k0 = med(cpu["kel"]), med(cpu["conjugator"]), med(cpu["kel-load"])
print(f"  kel per form, start and load excluded: {(k - k0) * 1000 / forms:.2f} us processor")
print(f"  kel / conjugator: {med(wall['kel']) / med(wall['conjugator']):.2f} wall-clock, "
      f"{k / c:.2f} processor   (goal: 1.5)")
PY
