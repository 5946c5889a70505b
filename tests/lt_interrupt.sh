#!/bin/sh
# The interrupt key during a long lexical transformation run: the run stops
# with "Abort -- %d words generated", the editor takes keys again, and the
# resume key goes on from where the run stopped, so that every derived line
# is written once and the count goes on growing.
#
#   lt_interrupt.sh path/to/kel path/to/kelkeys
kel=$(realpath "$1")
keys=$(realpath "$2")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kellt.XXXXXX") || exit 1
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"' EXIT
failures=0
fail() { echo "lt_interrupt: $*"; failures=$((failures + 1)); }

# 150 entries; the search visits 150^4 combinations and keeps one in 150.
printf 'number (sg, pl)\n%%\n' > "$tmp/attr"
printf 'N\n' > "$tmp/terms"
{
    echo '"w100"|N|sg|1|'
    i=101
    while [ $i -le 249 ]; do echo "\"w$i\"|N|pl|1|"; i=$((i + 1)); done
} > "$tmp/lex"
printf 'RULE 1 (g : number) ? | N | ? | _lsp_ ? | N | ? | _lsp_ ? | N | g | _lsp_ "w100" | N | g | _rhs_ !1.1 " " !1.2 %%\n' > "$tmp/rules"

send() { printf '%s' "$1" | "$keys" >&3; }

# wait_until TENTHS COMMAND...: polls the command until it succeeds.
wait_until() {
    n=$1
    shift
    while ! "$@"; do
        [ "$n" -le 0 ] && return 1
        sleep 0.1
        n=$((n - 1))
    done
}
exists() { [ -f "$tmp/$1" ]; }

mkfifo "$tmp/in"
(cd "$tmp" && exec "$kel" < in > out 2> err) &
pid=$!
exec 3> "$tmp/in"
# Standard output is a file, so it is not flushed during the run: the
# interrupts come after a pause, well within a run that takes many seconds.
send '{C}atattr{M}tmterms{M}lelex{M}lxrules{M}rx1{M}{M}{[}l'
sleep 1
kill -s INT "$pid"
sleep 0.2
send '{[}l'
sleep 1
kill -s INT "$pid"
sleep 0.2
send '{C}saderived{M}co7{M}samsgs{M}{M}'
wait_until 100 exists msgs || fail "no keys taken after the interrupt"
exec 3>&-
wait_until 50 eval '! kill -0 "$pid" 2>/dev/null' || kill "$pid"
pid=""

if [ -f "$tmp/msgs" ]; then
    aborts=$(sed -n 's/^Abort -- \([0-9]*\) words generated$/\1/p' "$tmp/msgs")
    first=$(echo "$aborts" | sed -n 1p)
    second=$(echo "$aborts" | sed -n 2p)
    [ "$(echo "$aborts" | wc -l)" = 2 ] && [ -n "$first" ] && [ -n "$second" ] ||
        fail "two aborts expected, got: $aborts"
    [ "${first:-0}" -gt 0 ] && [ "${second:-0}" -gt "${first:-0}" ] && [ "${second:-0}" -lt 22500 ] ||
        fail "counts $first then $second"
    grep -q "Total Words Generated" "$tmp/msgs" && fail "the run finished before it was interrupted"
    lines=$(grep -c . "$tmp/derived")
    [ "$lines" = "$second" ] || fail "$lines lines derived, $second counted"
    [ -z "$(grep . "$tmp/derived" | sort | uniq -d | head -1)" ] || fail "a line was derived twice"
fi

[ $failures -eq 0 ] && echo "lt_interrupt: PASS" || { echo "lt_interrupt: FAIL"; exit 1; }
