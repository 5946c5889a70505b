#!/usr/bin/env python3
"""The drill's speed as a front end sees it, over pipes in --json mode:
start-up to the first question with the French pack (goal under 50 ms),
and the time from writing an answer to reading its feedback (goal under
5 ms), wrong and right answers alternating.

    python3 bench/drill.py path/to/kel-drill [starts] [answers]
"""
import json
import resource
import statistics
import subprocess
import sys
import time

drill = sys.argv[1] if len(sys.argv) > 1 else "build/kel-drill"
starts = int(sys.argv[2]) if len(sys.argv) > 2 else 30
answers = int(sys.argv[3]) if len(sys.argv) > 3 else 400


def spawn(seed, count):
    return subprocess.Popen([drill, "--json", "--seed", str(seed), "--count", str(count)],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, bufsize=0)


def ms(values):
    values = sorted(values)
    p95 = values[min(len(values) - 1, int(len(values) * 0.95))]
    return f"median {statistics.median(values) * 1000:.2f} ms, 95th percentile {p95 * 1000:.2f} ms"


def cpu():
    r = resource.getrusage(resource.RUSAGE_CHILDREN)
    return r.ru_utime + r.ru_stime


# On a loaded machine the wall time waits for the processor; the processor
# time a start takes (to its end, with no answer) is shown beside it.
startup, startcpu = [], []
for i in range(starts):
    c = cpu()
    t = time.perf_counter()
    p = spawn(i, 1)
    first = p.stdout.readline()
    startup.append(time.perf_counter() - t)
    p.stdin.close()
    p.stdout.read()
    p.wait()
    startcpu.append(cpu() - c)
    if "question" not in json.loads(first):
        sys.exit(f"drill bench: no question: {first!r}")
print(f"drill start-up to the first question: {ms(startup)} over {starts} runs (goal 50 ms); "
      f"processor time median {statistics.median(startcpu) * 1000:.0f} ms")

c = cpu()
p = spawn(1, answers + 1)
q = json.loads(p.stdout.readline())
feedback = []
for i in range(answers):
    answer = q["expected"] if i % 2 else q["expected"] + "s"
    t = time.perf_counter()
    p.stdin.write((answer + "\n").encode())
    reply = json.loads(p.stdout.readline())
    feedback.append(time.perf_counter() - t)
    if "feedback" not in reply:
        sys.exit(f"drill bench: no feedback: {reply}")
    q = json.loads(p.stdout.readline())
p.stdin.close()
p.stdout.read()
p.wait()
per = (cpu() - c - statistics.median(startcpu)) / answers
print(f"drill answer to feedback: {ms(feedback)} over {answers} answers (goal 5 ms); "
      f"processor time {per * 1000:.2f} ms an answer with its next question")
