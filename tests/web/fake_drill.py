#!/usr/bin/python3
"""A stand-in for kel-drill --json in the web server's tests: it speaks the
same JSON lines (a question, then per answer its result and the next
question, a summary at the end of input, an error object for bad input) on
a small fixed set of questions, so that the server is tested without packs.
Answers "crash" and "hang" make it die or stop answering."""
import json
import sys
import time

# prompt, expected, the verb's other persons (wrong-person forms)
QUESTIONS = [
    ("nous (finir)", "nous finissons", {"finis": "p1s", "finissez": "p2p", "finissent": "p3p"}),
    ("je (aimer)", "j'aime", {"aimes": "p2s", "aimons": "p1p", "aiment": "p3p"}),
    ("vous (prendre)", "vous prenez", {"prends": "p1s", "prenons": "p1p", "prennent": "p3p"}),
    ("elles (venir)", "elles viennent", {"viens": "p1s", "venons": "p1p", "venez": "p2p"}),
    ("tu (être)", "tu es", {"suis": "p1s", "sommes": "p1p", "êtes": "p2p"}),
]


def distance(a, b):
    prev = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        cur = [i]
        for j, cb in enumerate(b, 1):
            cur.append(min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + (ca != cb)))
        prev = cur
    return prev[-1]


def judge(expected, response, others):
    words = []
    exp, res = expected.split(), response.split()
    for i in range(max(len(exp), len(res))):
        e = exp[i] if i < len(exp) else ""
        r = res[i] if i < len(res) else ""
        if not e:
            cls, detail = "EXTRA", ""
        elif not r:
            cls, detail = "MISSING", ""
        elif e == r:
            cls, detail = "EXACT", ""
        elif r in others:
            cls, detail = "MORPH", others[r]
        elif distance(e, r) <= 2:
            cls, detail = "APPROX", "spelling"
        else:
            cls, detail = "LEX", ""
        words.append({"class": cls, "expected": e, "response": r, "detail": detail})
    return words


def emit(obj):
    sys.stdout.write(json.dumps(obj, ensure_ascii=False) + "\n")
    sys.stdout.flush()


def main():
    args = sys.argv[1:]
    opts = dict(zip(args[1::2], args[2::2])) if args[:1] == ["--json"] else {}
    if opts.get("--pack", "").endswith("/broken"):
        sys.stderr.write("fake drill: pack broken: lexicon missing\n")
        sys.exit(1)
    seed = int(opts.get("--seed", "0"))
    n, score, errors = 0, 0, {}

    def ask():
        nonlocal n
        n += 1
        q = QUESTIONS[(seed + n - 1) % len(QUESTIONS)]
        emit({"n": n, "question": q[0], "expected": q[1]})
        return q

    q = ask()
    for raw in sys.stdin.buffer:
        text = raw.decode("utf-8", "replace").rstrip("\n")
        if text == "crash":
            sys.exit(3)
        if text == "hang":
            time.sleep(3600)
        bad = [c for c in text if ord(c) > 255]
        if bad:
            emit({"n": n, "error": '"%s" cannot be typed in this exercise: it is not a Latin-1 letter.' % bad[0]})
            continue
        if not text.strip():
            emit({"n": n, "error": "The answer is empty."})
            continue
        words = judge(q[1], text, q[2])
        correct = all(w["class"] == "EXACT" for w in words)
        score += 0 if correct else sum(4 for w in words if w["class"] != "EXACT")
        for w in words:
            if w["class"] != "EXACT":
                errors[w["class"]] = errors.get(w["class"], 0) + 1
        wrong = [w for w in words if w["class"] != "EXACT"]
        feedback = "Right." if correct else "; ".join(
            "%s: %s, expected %s" % (w["response"] or "(nothing)", w["class"], w["expected"] or "(nothing)")
            for w in wrong)
        emit({"n": n, "answer": text, "correct": correct, "score": score, "words": words, "feedback": feedback})
        q = ask()
    emit({"summary": {"questions": n - 1, "score": score, "errors": errors}})


main()
