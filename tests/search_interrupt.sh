#!/bin/sh
# The interrupt key stops a search in hand: a FIND whose gaps make it try
# a very long word for ever is interrupted, reports that it found nothing,
# and the editor goes on reading keys (it saves a file afterwards).
#
#   search_interrupt.sh path/to/kel path/to/kelkeys
kel=$(realpath "$1")
keys=$(realpath "$2")
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelint.XXXXXX") || exit 1
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
python3 -c "open('long.txt', 'w').write('a' * 100000 + '\n')"
printf '%s' '{C}felong.txt{M}fi0|{(}W{)}{(}W{)}{(}W{)}b{M}' | "$keys" > first
printf '%s' '{M}{C}sacopy.txt{M}{M}' | "$keys" > second
mkfifo in
"$kel" < in > out 2> err &
pid=$!
exec 3> in
cat first >&3
# The search starts once the keys are read; its output waits in the buffer.
sleep 1
kill -s INT "$pid"
sleep 0.5
cat second >&3
exec 3>&-
i=0
while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
if kill -0 "$pid" 2>/dev/null; then
    kill -s KILL "$pid"
    echo "search_interrupt: FAIL: the search went on after the interrupt"
    exit 1
fi
status=0
# The search's result, 0, follows the pattern's echo.
tr -d '\r' < out | sed -n '/^b$/,$p' | sed -n 2p | grep -qx 0 ||
    { echo "search_interrupt: FAIL: no result 0 after the interrupt"; status=1; }
cmp -s long.txt copy.txt ||
    { echo "search_interrupt: FAIL: the text was not saved afterwards"; status=1; }
[ $status -eq 0 ] && echo "search_interrupt: PASS"
exit $status
