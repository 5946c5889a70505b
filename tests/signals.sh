#!/bin/sh
# Ending signals: on HUP, QUIT or TERM kel writes every corefile with unsaved
# changes to a new recovery file, "<name>.save" or "kel<n>.save" for an
# unnamed one, never over an existing file; says so on standard error and
# ends with status 128 + the signal.
#
#   signals.sh path/to/kel path/to/kelkeys
kel=$(realpath "$1")
keys=$(realpath "$2")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelsig.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "signals: $*"; failures=$((failures + 1)); }

# run DIR SIGNAL KEYS: kel in DIR is given the keys, then the signal.
run() {
    printf '%s' "$3" | "$keys" > "$1/keys"
    mkfifo "$1/in"
    (cd "$1" && exec "$kel" < in > out 2> err) &
    pid=$!
    exec 3> "$1/in"
    cat "$1/keys" >&3
    i=0
    until [ "$(tr -d '\r\n' < "$1/out" 2>/dev/null | tail -c 3)" = xyz ] || [ $i -ge 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    kill -s "$2" "$pid"
    wait "$pid"
    rc=$?
    exec 3>&-
}

for sig in HUP:1 QUIT:3 TERM:15; do
    name=${sig%:*}
    num=${sig#*:}
    dir=$tmp/$name
    mkdir "$dir"
    printf 'one\n' > "$dir/notes"
    printf 'older\n' > "$dir/notes.save"
    run "$dir" "$name" 'fenotes{M}{M}xyz'
    [ "$rc" = $((128 + num)) ] || fail "$name: exit status $rc"
    [ "$(cat "$dir/notes.save")" = older ] || fail "$name: an existing file was written over"
    [ "$(cat "$dir/notes.save1" 2>/dev/null)" = xyz ] || fail "$name: notes.save1 wrong"
    [ "$(cat "$dir/notes")" = one ] || fail "$name: the file itself was changed"
    printf 'kel: corefile 1 saved in notes.save1\nkel: ended by signal %d\n' "$num" > "$dir/want"
    cmp -s "$dir/want" "$dir/err" || { fail "$name: standard error"; cat "$dir/err"; }
done

dir=$tmp/unnamed
mkdir "$dir"
run "$dir" TERM '{M}xyz'
[ "$(cat "$dir/kel1.save" 2>/dev/null)" = xyz ] || fail "unnamed: kel1.save wrong"

[ $failures -eq 0 ] && echo "signals: PASS" || { echo "signals: FAIL"; exit 1; }
