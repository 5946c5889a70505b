#!/bin/sh
# The tutorial as written: its sh blocks run one after the other in an
# empty directory with kel on the PATH; the checker's line, the generated
# answer and the report shown in the text are what the commands print.
#   tests/tutorial.sh <kel> <tutorial>
kel=$1
doc=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin" "$tmp/work"
ln -s "$kel" "$tmp/bin/kel"
fail=0
problem() { echo "tutorial: $*"; fail=1; }

awk '/^```sh$/ { on = 1; next } /^```$/ { on = 0 } on' "$doc" > "$tmp/steps.sh"
awk '/^The report:$/ { want = 1; next } want && /^```$/ { if (on) exit; on = 1; next } on' "$doc" > "$tmp/report.expected"
[ -s "$tmp/report.expected" ] || problem "no report in the text"
(cd "$tmp/work" && PATH=$tmp/bin:$PATH sh -e "$tmp/steps.sh") > "$tmp/out" 2> "$tmp/err" ||
  problem "a step failed: $(tail -3 "$tmp/err")"
grep -qx 'kel --check: 6 files, 0 errors, 0 warnings' "$tmp/out" || problem "check printed: $(head -3 "$tmp/out")"
grep -qx 'Answer    : el perro corre' "$tmp/out" || problem "generated: $(grep Answer "$tmp/out")"
# The report as saved begins with an empty line.
sed '/^$/d' "$tmp/work/exercise/report" > "$tmp/report" 2>/dev/null
cmp -s "$tmp/report.expected" "$tmp/report" || { problem "the report differs:"; diff -u "$tmp/report.expected" "$tmp/report"; }
[ "$fail" -eq 0 ] && echo "tutorial: every step runs and prints what the text says"
exit "$fail"
