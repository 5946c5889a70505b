"""Timing helpers shared by the end-to-end benchmark scripts."""
import os, time


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
