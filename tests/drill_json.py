#!/usr/bin/env python3
"""kel-drill in --json mode as a program drives it over pipes: seeded drills
answered right, with the wrong person, misspelt, with a homophone ending,
with a missed elision, with a word missing or added, each checked for its
class and detail; lines that are no answer; the same seed giving the same
questions; the end of input; a missing or damaged pack.

    drill_json.py path/to/kel-drill path/to/packs/fr

Prints one PASS or FAIL line (with the problems); exit status 1 on failure.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile

drill, packdir = sys.argv[1], sys.argv[2]
problems = []


def check(case, ok, what):
    if ok:
        return True
    problems.append(f"{case}: {what}")
    return False


class Drill:
    """One kel-drill --json process, read a line at a time."""

    def __init__(self, *args):
        self.p = subprocess.Popen([drill, "--json", *args], stdin=subprocess.PIPE,
                                  stdout=subprocess.PIPE, stderr=subprocess.PIPE, bufsize=0)
        self.q = self.read()

    def read(self):
        line = self.p.stdout.readline()
        if not line:
            raise EOFError("kel-drill ended: " + self.p.stderr.read().decode(errors="replace"))
        return json.loads(line)

    def send(self, raw):
        self.p.stdin.write(raw + b"\n")

    def answer(self, text):
        """The reply to one answer line; the next question or summary is in self.q."""
        self.send(text.encode())
        reply = self.read()
        if "error" not in reply:
            self.q = self.read()
        return reply

    def finish(self):
        self.p.stdin.close()
        rest = [json.loads(l) for l in self.p.stdout.read().splitlines()]
        return self.p.wait(), rest


def word(reply, cls):
    return next((w for w in reply.get("words", []) if w["class"] == cls), None)


def parts(q):
    """subject, verb and infinitive of a question "nous (finir)"."""
    subject, _, inf = q["question"].partition(" (")
    return subject, q["expected"].split(" ")[-1], inf.rstrip(")")


# ---------------------------------------------------------------- the cases
# Each: does the question suit it, the answer, and the checks of the reply.
def suits_person(q):
    subject, verb, inf = parts(q)
    return (subject == "nous" and inf.endswith("er") and verb.endswith("ons")
            and not verb.endswith(("eons", "çons")))


def check_person(q, r):
    subject, verb, _ = parts(q)
    w = word(r, "MORPH")
    if check("person", w is not None, f"no MORPH word in {r}"):
        check("person", w["expected"] == verb and w["response"] == verb[:-3] + "ez", f"words {w}")
        check("person", w["detail"] == "p1/p2", f"detail {w['detail']!r}")
        check("person", f"{verb[:-3]}ez: 2nd person plural; nous needs the 1st person plural: {verb}"
              in r["feedback"], f"feedback {r['feedback']!r}")
    check("person", word(r, "EXACT") == {"class": "EXACT", "expected": "nous", "response": "nous",
                                         "detail": ""}, f"subject not EXACT in {r}")


def suits_spelling(q):
    verb = parts(q)[1]
    return len(verb) >= 6 and verb.isascii() and "'" not in verb


def check_spelling(q, r):
    verb = parts(q)[1]
    w = word(r, "APPROX")
    if check("spelling", w is not None, f"no APPROX word in {r}"):
        check("spelling", w["expected"] == verb and w["response"] == verb[:2] + "x" + verb[2:],
              f"words {w}")
        check("spelling", "a spelling slip; it is written " + verb in r["feedback"],
              f"feedback {r['feedback']!r}")


def suits_homophone(q):
    subject, verb, inf = parts(q)
    return subject == "nous" and inf.endswith("er") and verb.endswith("ons")


def check_homophone(q, r):
    verb = parts(q)[1]
    w = word(r, "PHONO")
    if check("homophone", w is not None, f"no PHONO word in {r['words']}"):
        check("homophone", w["expected"] == verb, f"words {w}")
        check("homophone", "sounds right, but is written " + verb + " (-s, not -t)" in r["feedback"],
              f"feedback {r['feedback']!r}")


def check_elision(q, r):
    w = word(r, "ELISION")
    if check("elision", w is not None, f"no ELISION word in {r['words']}"):
        check("elision", f"French writes {q['expected']}" in r["feedback"],
              f"feedback {r['feedback']!r}")
        check("elision", all(x["class"] in ("ELISION", "EXACT") for x in r["words"]),
              f"more than the elision: {r['words']}")


def check_missing(q, r):
    subject = parts(q)[0]
    missing = [w for w in r["words"] if w["class"] == "MISSING"]
    check("missing", [(w["expected"], w["response"]) for w in missing]
          == [(s, "") for s in subject.split(" ")], f"words {r['words']}")
    check("missing", ("missing word: " if " " not in subject else "missing words: ")
          + subject.replace(" ", ", ") in r["feedback"], f"feedback {r['feedback']!r}")


def check_extra(q, r):
    w = word(r, "EXTRA")
    if check("extra", w is not None, f"no EXTRA word in {r}"):
        check("extra", w["response"] == "bien" and w["expected"] == "", f"words {w}")
        check("extra", "extra word: bien" in r["feedback"], f"feedback {r['feedback']!r}")


def check_elided_right(q, r):
    check("elided", r["correct"] is True and r["score"] == 0 and r["feedback"] == "Correct."
          and r["answer"] == q["expected"], f"{q['expected']} not right: {r}")


cases = [
    # Typed with a typographic apostrophe, spaces and a full stop.
    ("elided", lambda q: q["expected"].startswith("j'"),
     lambda q: " " + q["expected"].replace("'", "\u2019") + "\t .", check_elided_right),
    ("person", suits_person, lambda q: "nous " + parts(q)[1][:-3] + "ez", check_person),
    ("spelling", suits_spelling,
     lambda q: q["expected"].rsplit(" ", 1)[0] + " " + parts(q)[1][:2] + "x" + parts(q)[1][2:],
     check_spelling),
    ("homophone", suits_homophone, lambda q: "nous " + parts(q)[1][:-1] + "t", check_homophone),
    ("elision", lambda q: q["expected"].startswith("j'"),
     lambda q: "je " + q["expected"][2:], check_elision),
    ("missing", lambda q: " " in q["expected"], lambda q: parts(q)[1], check_missing),
    ("extra", lambda q: True, lambda q: q["expected"] + " bien", check_extra),
]

d = Drill("--seed", "3", "--count", "0")
q = d.q
check("question", list(q)[:3] == ["n", "question", "expected"] and q["n"] == 1,
      f"first line {q}")
r = d.answer(q["expected"])
check("right", r["correct"] is True and r["score"] == 0 and r["feedback"] == "Correct."
      and all(w["class"] == "EXACT" for w in r["words"]) and r["words"], f"reply {r}")
check("right", list(r)[:6] == ["n", "answer", "correct", "score", "words", "feedback"],
      f"keys {list(r)}")
check("right", d.q.get("n") == 2, f"no second question: {d.q}")

# Lines that are no answer: an error object each, the question still open.
n = d.q["n"]
for raw, says in [(b"a" * 10000, "longer than 300"), (b"nous \x00\x01 bin", "control character"),
                  (b"nous fin\xff\xfe", "not valid UTF-8"), ("c\u0153ur".encode(), "U+0153"),
                  ("10 \u20ac".encode(), "U+20AC"), (b"", "empty answer"),
                  (b"  ", "empty answer"), (b"?!... ;", "only punctuation")]:
    d.send(raw)
    e = d.read()
    check("bad input", e.get("n") == n and says in e.get("error", ""), f"{raw[:20]!r} gave {e}")

todo = list(cases)
for _ in range(600):
    if not todo or "question" not in d.q:
        break
    q = d.q
    case = next((c for c in todo if c[1](q)), None)
    if case is None:
        d.answer(q["expected"])
        continue
    todo.remove(case)
    r = d.answer(case[2](q))
    check(case[0], r["n"] == q["n"] and (case[0] == "elided" or r["correct"] is False
          and r["score"] > 0 and r["answered"] - r["right"] >= 1), f"not counted as wrong: {r}")
    case[3](q, r)
for c in todo:
    check(c[0], False, "no question suited the case in 600")

d.send(b":quit")
status, rest = d.finish()
s = rest[-1].get("summary", {}) if rest else {}
check("summary", status == 0 and len(rest) == 1 and s, f"status {status}, lines {rest}")
check("summary", s.get("errors", {}).get("MORPH", 0) >= 1 and s["errors"].get("APPROX", 0) >= 1
      and s["errors"].get("MISSING", 0) >= 1 and s["errors"].get("EXTRA", 0) >= 1,
      f"errors {s.get('errors')}")
check("summary", any(p["id"] == "1p" and p["wrong"] >= 1 for p in s.get("persons", [])),
      f"persons {s.get('persons')}")

# The same seed and answers, the same questions; another seed, others. End
# of input ends the drill with the summary and status 0.
answers = b"nous finissez\n\nje\n" + b"x\n" * 6


def run(*args, stdin=answers):
    return subprocess.run([drill, *args], input=stdin, capture_output=True, timeout=60)


one, two, other = (run("--json", "--seed", s, "--count", "8") for s in ("9", "9", "10"))
questions = [[l for l in x.stdout.decode().splitlines() if '"question"' in l] for x in (one, two, other)]
check("seed", one.returncode == 0 and one.stdout == two.stdout and len(questions[0]) == 8,
      f"seed 9 twice: {questions[0]} / {questions[1]}")
check("seed", questions[0] != questions[2], "seeds 9 and 10 gave the same questions")
check("end of input", '"summary"' in one.stdout.decode().splitlines()[-1], "no summary at the end")
plain = run("--seed", "9", "--count", "3")
check("end of input", plain.returncode == 0 and b"Summary: " in plain.stdout, f"plain: {plain}")

# SIGTERM while the drill waits for a line ends it as the end of input does,
# leaving nothing in its temporary directory.
with tempfile.TemporaryDirectory() as tmp:
    p = subprocess.Popen([drill, "--json", "--seed", "4"], stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, env=dict(os.environ, TMPDIR=tmp))
    first = p.stdout.readline()
    p.terminate()
    rest = p.stdout.read().decode()
    status = p.wait(timeout=30)
    check("sigterm", b'"question"' in first and status == 0 and rest.startswith('{"summary"')
          and not os.listdir(tmp), f"status {status}, {rest!r}, left {os.listdir(tmp)}")
    p.stdin.close()

# --info: the pack for a front end to offer, no drill.
x = run("--info", stdin=b"")
info = json.loads(x.stdout).get("pack", {}) if x.returncode == 0 else {}
check("info", info.get("name") == "fr" and "\u00e9" in info.get("letters", [])
      and info.get("tenses", [{}])[0].get("id") == "present"
      and len(info.get("persons", [])) == 6, f"{x.stdout[:200]!r}")

# A missing or damaged pack: one message naming the file, status 1.
with tempfile.TemporaryDirectory() as tmp:
    for name, damage in [("fr.sy", lambda f: os.remove(f)),
                         ("verbs.le", lambda f: os.truncate(f, os.path.getsize(f) // 2)),
                         ("pack.json", lambda f: os.truncate(f, 40))]:
        pack = os.path.join(tmp, name)
        shutil.copytree(packdir, pack)
        damage(os.path.join(pack, name))
        for mode in ([], ["--json"]):
            x = run("--pack", pack, *mode, stdin=b"x\n")
            err = x.stderr.decode()
            check("damaged pack", x.returncode == 1 and name in err and err.count("\n") == 1
                  and b"question" not in x.stdout, f"{name} {mode}: status {x.returncode}, {err!r}")
        check("damaged pack", json.loads(x.stdout).get("error"), f"{name}: no JSON error: {x.stdout}")
    x = run("--pack", os.path.join(tmp, "none"), stdin=b"")
    check("missing pack", x.returncode == 1 and "none" in x.stderr.decode(), f"{x}")

if problems:
    for p in problems:
        print("drilljson:", p)
    print(f"drilljson: FAIL ({len(problems)} problems)")
    sys.exit(1)
print("drilljson: PASS")
