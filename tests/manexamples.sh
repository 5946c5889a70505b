#!/bin/sh
# The examples of the description-file page: each block marked
# '.\" example: NAME' is the file examples/formats/NAME as it stands, every
# file there is shown, and all of them load cleanly together.
#   tests/manexamples.sh <kel> <page> <examples directory>
kel=$1
page=$2
dir=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
problem() { echo "manexamples: $*"; fail=1; }

# Each block to a file of its name, with the roff escapes undone.
awk -v out="$tmp" '
  /^\.\\" example: / { name = $3; next }
  name != "" && /^\.EX$/ { file = out "/" name; printf "" > file; inblock = 1; next }
  inblock && /^\.EE$/ { inblock = 0; name = ""; close(file); next }
  inblock { line = $0; sub(/^\\&/, "", line); gsub(/\\e/, "\\", line); print line > file }
' "$page"
for f in "$dir"/*; do
  name=$(basename "$f")
  if [ ! -f "$tmp/$name" ]; then
    problem "$name is not shown in the page"
  elif ! cmp -s "$f" "$tmp/$name"; then
    problem "the page's $name differs from the file:"
    diff -u "$f" "$tmp/$name"
  fi
done
for f in "$tmp"/*; do
  [ -f "$dir/$(basename "$f")" ] || problem "the page shows $(basename "$f"), which is not in $dir"
done

# The user syntax is of the syntax file's form: told by its kind.
out=$(cd "$dir" && "$kel" --check $(ls | grep -v '^user.txt$') --kind user user.txt 2>&1)
status=$?
[ "$status" -eq 0 ] || problem "kel --check on the examples: status $status"
n=$(ls "$dir" | wc -l)
[ "$out" = "kel --check: $n files, 0 errors, 0 warnings" ] || problem "kel --check on the examples: $out"
[ "$fail" -eq 0 ] && echo "manexamples: $n examples, as in the page, load cleanly"
exit "$fail"
