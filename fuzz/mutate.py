#!/usr/bin/env python3
"""Mutation run of the black-box cases: each case's keys, changed a little
(bytes flipped, inserted, dropped, spans repeated, keys from the dictionary,
long runs of one key, pieces of another case), are typed into the editor in
a copy of the case's files, with its arguments. A run that ends on a signal,
reports a sanitizer error or does not end within its time is a finding: its
keys are kept as finding-<n> in the work directory.

    mutate.py KEL KELKEYS CASES DICT SECONDS WORKDIR
"""
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

RUNLIMIT = 20            # seconds one run may take
LONGRUN = 4096           # longest run of one key inserted
SKIPPED = ("shell", "driver")  # groups that run programs


def dictionary(path):
    keys = []
    for line in open(path, encoding="latin-1"):
        line = line.strip()
        if line.startswith('"') and line.endswith('"'):
            keys.append(line[1:-1].encode("latin-1").decode("unicode_escape").encode("latin-1"))
    return keys


def cases(root, kelkeys):
    found = []
    repo = os.path.dirname(os.path.dirname(root))
    for group in sorted(os.listdir(root)):
        if group in SKIPPED:
            continue
        for name in sorted(os.listdir(os.path.join(root, group))):
            case = os.path.join(root, group, name)
            keyfile = os.path.join(case, "keys")
            if not os.path.isfile(keyfile):
                continue
            with open(keyfile, "rb") as f:
                keys = subprocess.run([kelkeys], stdin=f, capture_output=True).stdout
            found.append((case, keys, repo))
    return found


def mutate(keys, others, words, rng):
    b = bytearray(keys)
    for _ in range(rng.randint(1, 4)):
        op = rng.randrange(7)
        at = rng.randint(0, len(b))
        if op == 0 and b:
            b[min(at, len(b) - 1)] = rng.randrange(256)
        elif op == 1:
            b[at:at] = bytes([rng.randrange(256)])
        elif op == 2 and b:
            del b[at:at + rng.randint(1, 8)]
        elif op == 3 and b:
            span = b[at:at + rng.randint(1, 16)]
            b[at:at] = span * rng.randint(1, 8)
        elif op == 4:
            b[at:at] = rng.choice(words)
        elif op == 5:
            b[at:at] = rng.choice(words) * rng.randint(16, LONGRUN)
        else:
            other = rng.choice(others)
            start = rng.randint(0, len(other))
            b[at:at] = other[start:start + rng.randint(1, 64)]
    return bytes(b)


def prepare(case, repo, work):
    src = os.path.join(case, "in")
    if os.path.isdir(src):
        shutil.copytree(src, work, dirs_exist_ok=True)
    links = os.path.join(case, "links")
    if os.path.isfile(links):
        for line in open(links):
            parts = line.split()
            if len(parts) == 2:
                os.symlink(os.path.join(repo, parts[1]), os.path.join(work, parts[0]))
    args = []
    argfile = os.path.join(case, "args")
    if os.path.isfile(argfile):
        args = [a.rstrip("\n").replace("$CASE", work) for a in open(argfile)]
    return args


def main():
    kel, kelkeys, root, dictfile, seconds, workdir = sys.argv[1:7]
    kel = os.path.abspath(kel)
    rng = random.Random(os.getpid() ^ int(time.time()))
    words = dictionary(dictfile)
    known = cases(os.path.abspath(root), os.path.abspath(kelkeys))
    others = [k for _, k, _ in known]
    empty = tempfile.mkdtemp(dir=workdir)          # PATH: no programs to run
    env = dict(os.environ, TERM="dumb", PATH=empty,
               ASAN_OPTIONS="detect_leaks=0", UBSAN_OPTIONS="halt_on_error=1")
    end = time.time() + float(seconds)
    runs = findings = 0
    while time.time() < end:
        case, keys, repo = rng.choice(known)
        data = mutate(keys, others, words, rng)
        work = tempfile.mkdtemp(dir=workdir)
        try:
            # A run that does not end is tried once more from fresh files, so
            # that a machine busy with other work does not count as a hang.
            for attempt in range(2):
                shutil.rmtree(work, ignore_errors=True)
                os.mkdir(work)
                args = prepare(case, repo, work)
                try:
                    p = subprocess.run([kel] + args, input=data, cwd=work, env=env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                       timeout=RUNLIMIT, start_new_session=True)
                    err = p.stderr.decode("latin-1")
                    bad = p.returncode < 0 or p.returncode >= 128 or \
                        "Sanitizer" in err or "runtime error:" in err
                    what = "status %d" % p.returncode
                    break
                except subprocess.TimeoutExpired:
                    bad, err, what = True, "", "no end within %d s" % RUNLIMIT
            runs += 1
            if bad:
                findings += 1
                name = os.path.join(workdir, "finding-%d" % findings)
                with open(name, "wb") as f:
                    f.write(data)
                print("mutate: %s from %s: %s (keys in %s)" % (what, os.path.relpath(case, root),
                      err.strip().splitlines()[0] if err.strip() else "", name))
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print("mutate: %d runs of %d cases, %d findings" % (runs, len(known), findings))
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
