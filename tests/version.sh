#!/bin/sh
# kel --version: the program name, the version and the build's date and time
# on one line, status 0, and the same version as the manual page's header.
# (The date changes with each build, so this is not a black-box case.)
#   tests/version.sh <kel> <manual page>
out=$("$1" --version)
status=$?
fail=0
[ "$status" -eq 0 ] || { echo "--version: status $status"; fail=1; }
echo "$out" | grep -Eq '^kel [0-9]+\.[0-9]+\.[0-9]+ \(build date: (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] [0-9]{4}; time: [0-2][0-9]:[0-5][0-9]:[0-6][0-9]\)$' ||
  { echo "--version printed: $out"; fail=1; }
version=$(echo "$out" | cut -d' ' -f2)
grep -q "^\.TH KEL 1 .* \"kel $version\"" "$2" || { echo "the manual page is not of kel $version: $(grep '^\.TH' "$2")"; fail=1; }
exit "$fail"
