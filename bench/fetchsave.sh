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
kel=$(realpath "${1:-build/kel}")
runs=${2:-40}
if [ -z "$KEL_BENCH_DETACHED" ] && command -v setsid >/dev/null 2>&1; then
  KEL_BENCH_DETACHED=1 exec setsid -w sh "$0" "$kel" "$runs"
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
python3 - "$kel" "$runs" <<'PY'
import os, random, statistics, sys, time

kel, runs = sys.argv[1], int(sys.argv[2])
random.seed(7)
letters = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJ"
with open("big.txt", "w") as f:
    for i in range(100000):
        f.write("%06d " % i + "".join(random.choice(letters) for _ in range(29)).rstrip().ljust(29, "x") + " x\n")
with open("keys", "w") as f:
    f.write("febig.txt\rsacopy.txt\r")

def run(argv, stdin, stdout):
    """Wall-clock and processor seconds of one run of argv."""
    fin = os.open(stdin, os.O_RDONLY)
    fout = os.open(stdout, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    ferr = os.open("/dev/null", os.O_WRONLY)
    t = time.perf_counter()
    pid = os.posix_spawnp(argv[0], argv, os.environ,
                          file_actions=[(os.POSIX_SPAWN_DUP2, fin, 0),
                                        (os.POSIX_SPAWN_DUP2, fout, 1),
                                        (os.POSIX_SPAWN_DUP2, ferr, 2)])
    _, status, usage = os.wait4(pid, 0)
    wall = time.perf_counter() - t
    for fd in (fin, fout, ferr):
        os.close(fd)
    return wall, usage.ru_utime + usage.ru_stime

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
