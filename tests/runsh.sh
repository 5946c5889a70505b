#!/bin/sh
# run.sh as a newcomer uses it. With stand-ins for cmake and ctest that log
# their arguments: "demo" then "test" builds with the tests and asks ctest to
# fail when it finds none. With the real build tree: a second build compiles
# nothing, and a new configure recompiles only the build date's file.
#   tests/runsh.sh <source directory> <build directory> <cmake>
src=$1
build=$2
cmake=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
problem() { echo "runsh: $*"; fail=1; }

mkdir "$tmp/bin"
for tool in cmake ctest; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/log"\n' "$tool" "$tmp" > "$tmp/bin/$tool"
  chmod +x "$tmp/bin/$tool"
done
PATH=$tmp/bin:$PATH sh "$src/run.sh" demo < /dev/null > /dev/null 2>&1
PATH=$tmp/bin:$PATH sh "$src/run.sh" test > /dev/null 2>&1 || problem "run.sh test failed"
grep -q '^cmake .*-DKEL_TESTS=OFF' "$tmp/log" || problem "demo did not configure: $(cat "$tmp/log")"
last=$(grep '^cmake -S' "$tmp/log" | tail -1)
case $last in
  *-DKEL_TESTS=ON*) ;;
  *) problem "test configured without the tests: $last" ;;
esac
grep -q '^ctest .*--no-tests=error' "$tmp/log" || problem "ctest may pass with no test: $(grep ctest "$tmp/log")"

compiles() { grep -c 'Building CXX' "$1"; }
"$cmake" --build "$build" > "$tmp/again" 2>&1 || problem "rebuild failed: $(tail -5 "$tmp/again")"
n=$(compiles "$tmp/again")
[ "$n" -eq 0 ] || problem "a build after no change compiled $n files"
"$cmake" -S "$src" -B "$build" > /dev/null 2>&1 || problem "reconfigure failed"
"$cmake" --build "$build" > "$tmp/after" 2>&1 || problem "build after configure failed"
n=$(compiles "$tmp/after")
[ "$n" -le 1 ] || problem "a new configure recompiled $n files: $(grep 'Building CXX' "$tmp/after")"
[ "$fail" -eq 0 ] && echo "runsh: demo then test builds the tests; rebuilds compile at most the build date"
exit "$fail"
