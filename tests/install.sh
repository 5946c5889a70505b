#!/bin/sh
# cmake --install into a scratch prefix: the program in bin, its manual page
# in share/man/man1 where man finds it, and the examples in share/kel; the
# installed program and the installed example driver run; the drill, where
# it is built, in bin, and it starts on the installed French pack; kel-web
# serves its installed page.
#   tests/install.sh <cmake> <build directory>
cmake=$1
build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/usr
if ! "$cmake" --install "$build" --prefix "$prefix" > "$tmp/log" 2>&1; then
  cat "$tmp/log"
  exit 1
fi
fail=0
problem() { echo "install: $*"; fail=1; }

[ -x "$prefix/bin/kel" ] || problem "no executable bin/kel"
[ -f "$prefix/share/man/man1/kel.1" ] || problem "no share/man/man1/kel.1"
[ -f "$prefix/share/man/man5/kel-files.5" ] || problem "no share/man/man5/kel-files.5"
[ -f "$prefix/share/kel/formats/lexicon.txt" ] || problem "no share/kel/formats/lexicon.txt"
[ -f "$prefix/share/kel/sample.txt" ] || problem "no share/kel/sample.txt"
[ -x "$prefix/share/kel/driver.sh" ] || problem "share/kel/driver.sh missing or not executable"
extra=$(cd "$prefix" && find . -type f ! -path ./bin/kel ! -path ./bin/kel-drill ! -path ./bin/kel-web ! -path ./share/man/man1/kel.1 ! -path ./share/man/man5/kel-files.5 ! -path './share/kel/*')
[ -z "$extra" ] || problem "installed more than asked: $extra"

if [ -x "$prefix/bin/kel" ]; then
  "$prefix/bin/kel" --version > "$tmp/version" 2>&1 || problem "installed kel --version failed"
  grep -q '^kel ' "$tmp/version" || problem "installed kel --version printed: $(cat "$tmp/version")"
  # The example driver, run by its absolute installed path, types three lines
  # and reports on its standard error.
  (cd "$tmp" && setsid -w "$prefix/bin/kel" -d "$prefix/share/kel/driver.sh" < /dev/null > out 2> err)
  grep -q 'the corefile has 3 lines' "$tmp/err" || problem "installed example driver: $(head -5 "$tmp/err")"
fi

if [ -x "$prefix/bin/kel-drill" ] && [ -f "$prefix/share/kel/packs/fr/pack.json" ]; then
  "$prefix/bin/kel-drill" --pack "$prefix/share/kel/packs/fr" --json --count 1 < /dev/null > "$tmp/drill" 2>&1
  grep -q '"question"' "$tmp/drill" || problem "installed kel-drill: $(head -3 "$tmp/drill")"
fi

# kel-web, where it is built, serves its installed page over the installed
# packs and drill.
if [ -x "$prefix/bin/kel-web" ] && [ -x "$prefix/bin/kel-drill" ] && [ -f "$prefix/share/kel/packs/fr/pack.json" ]; then
  "$prefix/bin/kel-web" --port 0 > "$tmp/web" 2> "$tmp/weblog" &
  web=$!
  python3 - "$tmp/web" > "$tmp/webpage" 2>&1 <<'PY' || problem "installed kel-web: $(head -3 "$tmp/webpage" "$tmp/weblog")"
import re, sys, time, urllib.request
for _ in range(100):
    m = re.search(r"http://[^/]+/", open(sys.argv[1]).read())
    if m:
        break
    time.sleep(0.1)
page = urllib.request.urlopen(m.group(0), timeout=10).read().decode()
state = urllib.request.urlopen(m.group(0) + "api/state", timeout=30).read().decode()
sys.exit(0 if 'id="question"' in page and '"question":{' in state else 1)
PY
  kill "$web"
  wait "$web"
fi

if command -v man > /dev/null 2>&1; then
  found=$(MANPATH=$prefix/share/man man -w kel 2>/dev/null)
  [ "$found" = "$prefix/share/man/man1/kel.1" ] || problem "man -w kel found '$found'"
fi
[ "$fail" -eq 0 ] && echo "install: bin/kel, share/man/man1/kel.1 and share/kel installed"
exit "$fail"
