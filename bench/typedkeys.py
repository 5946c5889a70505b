"""Keystrokes for the typing benchmarks: RETURN first (the editor starts on
its command line), then lines of 60 characters and RETURNs, COUNT keys in
all, then TAIL (with C-style escapes) if given.

    python3 typedkeys.py COUNT OUT [TAIL]
"""
import sys

count, out = int(sys.argv[1]), sys.argv[2]
tail = sys.argv[3].encode().decode("unicode_escape") if len(sys.argv) > 3 else ""
line = ("abcdefghij" * 6)[:60]
total, keys = 1, ["\r"]
while total < count:
    keys.append(line + "\r")
    total += 61
open(out, "w").write("".join(keys)[:count] + tail)
