#!/bin/sh
# Nothing that stops kel loses text:
#   - a termination signal during long work (a load, a search, a run of
#     generations) is acted on within 2 seconds, and the unsaved text of
#     corefile 1 is in kel1.save;
#   - a stop request called off by a continue leaves the editor running;
#   - a long run of resume keys with nothing suspended does not crash;
#   - the terminal going away (its other side closed, no hangup signal) ends
#     the editor as a hangup does, with the recovery file written.
#
#   stops.sh path/to/kel path/to/kelkeys
kel=$(realpath "$1")
keys=$(realpath "$2")
cases=$(cd "$(dirname "$0")/cases" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelstop.XXXXXX") || exit 1
pid=
trap '[ -n "$pid" ] && kill -s KILL "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
failures=0
fail() { echo "stops: $*"; failures=$((failures + 1)); }
now() { date +%s%N; }

# start DIR KEYS: kel in DIR reads the keys from a pipe kept open.
start() {
    printf '%s' "$2" | "$keys" > "$1/keys"
    mkfifo "$1/in"
    (cd "$1" && exec "$kel" < in > out 2> err) &
    pid=$!
    exec 3> "$1/in"
    cat "$1/keys" >&3
}

# ends_within MS: kel ends within that many milliseconds; its status in rc.
ends_within() {
    from=$(now)
    while kill -0 "$pid" 2>/dev/null; do
        [ $(( ($(now) - from) / 1000000 )) -gt "$1" ] && break
        sleep 0.05
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -s KILL "$pid"
        wait "$pid"
        rc=killed
    else
        wait "$pid"
        rc=$?
    fi
    pid=
    exec 3>&-
}

# terminated NAME DIR KEYS: the keys start long work after typing xyz into
# corefile 1; a second later SIGTERM must end it all within 2 seconds.
terminated() {
    start "$2" "$3"
    sleep 1
    kill -0 "$pid" 2>/dev/null || fail "$1: the work ended too soon to test"
    kill -s TERM "$pid"
    ends_within 2000
    [ "$rc" = 143 ] || fail "$1: status $rc after SIGTERM"
    [ "$(head -n 1 "$2/kel1.save" 2>/dev/null)" = xyz ] || fail "$1: kel1.save wrong"
}

# A load: a lexicon of 300,000 entries.
dir=$tmp/load
mkdir "$dir"
cp "$cases/engine/lexicon-records/in/attrs" "$cases/engine/lexicon-records/in/terms" "$dir"
awk 'BEGIN { for (i = 0; i < 300000; i++) printf "\"w%d\"|N|sg|%d|\n", i, i }' > "$dir/lex"
terminated load "$dir" '{M}xyz{C}atattrs{M}tmterms{M}lelex{M}'

# A search whose gaps try a 100,000-letter word for ever.
dir=$tmp/find
mkdir "$dir"
awk 'BEGIN { s = "a"; while (length(s) < 100000) s = s s; print substr(s, 1, 100000) }' > "$dir/long"
terminated find "$dir" '{M}xyz{C}inlong{M}{M}{C}fi0|{(}W{)}{(}W{)}{(}W{)}b{M}'

# A procedure generating sentences many times over.
dir=$tmp/generate
mkdir "$dir"
cp "$cases/generate/compare/in/"* "$dir"
printf '~{$}~999999~{<}{^}{[}g{>}{%%}~' > "$dir/gen"
terminated generate "$dir" '{M}xyz{C}atattr{M}tmterms{M}lelex{M}sysyn{M}prgen{M}'

# A stop request followed by a continue during a load: no stop at all.
dir=$tmp/stop
mkdir "$dir"
cp "$tmp/load/"attrs "$tmp/load/terms" "$tmp/load/lex" "$dir"
start "$dir" '{M}xyz{C}atattrs{M}tmterms{M}lelex{M}{M}{C}by{M}{M}{M}{M}'
sleep 0.5
kill -s TSTP "$pid"
kill -s CONT "$pid"
exec 3>&-
ends_within 60000
[ "$rc" = 0 ] || fail "stop: status $rc after a stop called off (stopped for good?)"

# A million resume keys with nothing suspended, then the end of input.
dir=$tmp/resume
mkdir "$dir"
(cd "$dir" && head -c 1000000 /dev/zero | "$kel" > out 2> err)
rc=$?
[ "$rc" = 0 ] || fail "resume keys: status $rc"

# The terminal goes away: kel on a pseudo-terminal that is not its
# controlling terminal, so that no hangup signal comes, only the end.
dir=$tmp/gone
mkdir "$dir"
if command -v python3 >/dev/null 2>&1; then
    (cd "$dir" && python3 - "$kel" <<'EOF') > "$dir/result" 2>&1
import os, subprocess, sys, time
master, slave = os.openpty()
p = subprocess.Popen([sys.argv[1]], stdin=slave, stdout=slave, stderr=open("err", "w"),
                     start_new_session=True, env=dict(os.environ, TERM="xterm"))
os.close(slave)
seen = b""
def drain(seconds, want=None):
    global seen
    end = time.time() + seconds
    while time.time() < end:
        try:
            seen += os.read(master, 65536)
        except BlockingIOError:
            pass
        except OSError:
            return
        if want is not None and want in seen:
            return
        time.sleep(0.05)
import fcntl
fcntl.fcntl(master, fcntl.F_SETFL, os.O_NONBLOCK)
drain(10, b"Command")
os.write(master, b"\rxyz")
drain(10, b"xyz")
os.close(master)
try:
    print(p.wait(timeout=5))
except subprocess.TimeoutExpired:
    p.kill()
    print("hung")
EOF
    [ "$(cat "$dir/result")" = 129 ] || fail "gone: $(cat "$dir/result")"
    [ "$(cat "$dir/kel1.save" 2>/dev/null)" = xyz ] || fail "gone: kel1.save wrong: $(ls "$dir") $(cat "$dir/err")"
fi

[ $failures -eq 0 ] && echo "stops: PASS" || { echo "stops: FAIL"; exit 1; }
