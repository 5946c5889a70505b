#!/bin/sh
# kel --check: one broken file per family of messages, with the exact lines
# and status; the UTF-8 warning; hostile input (binary, a huge line, a
# 100 MB file, an include cycle, a FIFO, a directory, a missing file), each
# with its message in a bounded run; bad usage.
#   tests/check.sh <kel>
kel=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
fail=0
problem() { echo "check: $*"; fail=1; }

# expect <status> <expected output file> <kel --check arguments...>
expect() {
  want=$1; shift
  exp=$1; shift
  timeout 60 "$kel" --check "$@" > out 2> err
  got=$?
  [ "$got" -eq "$want" ] || problem "kel --check $*: status $got, not $want ($(cat err))"
  if ! cmp -s "$exp" out; then
    problem "kel --check $*:"
    diff -u "$exp" out
  fi
}

printf 'gender (masc, fem)\nnumber (sg, pl)\n%%\n' > attr
printf 'Det N V\n' > terms
printf '"el"|Det|masc|1|#1|\n"gato"|N|masc,numbr|1|#1|\n\n"x"|Q|masc|1|\n"y"|\n' > lex
printf 'ROOT = Det[masc] N[masc] V %%\nNP = Det[nosuch] N %%\nVP = V | %%\n' > syn
printf 'number (sg; pl)\n' > badattr
printf 'text before\nRULE art\n  masc : "el" ;\n  fem "la" ;\n' > morph
printf '{ a comment never closed\nDet N\n' > comment
printf 'ROOT = N/"a\tb" %%\n' > tabbed
printf 'ROOT = N %%\n%%include "part"\n' > main
printf 'A = N %%\nB = N[nosuch] %%\n' > part
cat > expected <<'END'
lex:2: error: Unknown attribute numbr ("gato")
lex:4: error: Terminal not found: Q ("x")
lex:5: error: Entry has fewer than two complete fields ("y")
syn:2: error: Unknown attribute nosuch (NP)
syn:3: error: | appears outside parentheses (VP)
kel --check: 4 files, 5 errors, 0 warnings
END
expect 1 expected attr terms lex syn
cat > expected <<'END'
badattr:1: error: Inappropriate char ';'
badattr:1: error: Inappropriate identifier: pl
badattr:1: error: Inappropriate EOF
comment:2: error: end of file within comments (a { without its })
morph:1: error: text before first RULE
morph:4: error: incomplete subrule (rule art)
tabbed:1: warning: tab within quotes
kel --check: 4 files, 6 errors, 1 warning
END
expect 1 expected --kind attributes badattr --kind auto morph --kind terminals comment --kind syntax tabbed
# An error in an included file names that file and its line.
cat > expected <<'END'
part:2: error: Unknown attribute nosuch (B)
kel --check: 2 files, 1 error, 0 warnings
END
expect 1 expected attr main

# UTF-8: the warning with the command that converts, and the characters
# Latin-1 has no room for, each with its line.
printf 'gender (masc, f\303\251m)\n%%\n' > utf1
printf 'Det N\n"\342\202\254"|N\n' > utf2
cat > expected <<'END'
utf1:1: warning: the file looks like UTF-8, but description files are Latin-1 (one byte a character); convert it: iconv -f UTF-8 -t LATIN1 utf1 > utf1.latin1
END
"$kel" --check utf1 > out 2>&1
head -1 out | cmp -s expected - || { problem "UTF-8 warning:"; cat out; }
"$kel" --check --kind terminals utf2 > out 2>&1
grep -qx "utf2:2: error: character U+20AC '.*' cannot be written in Latin-1" out || { problem "no error for the euro sign:"; cat out; }
printf 'gender (masc, f\351m)\n%%\n' > latin1
printf 'kel --check: 1 file, 0 errors, 0 warnings\n' > expected
expect 0 expected latin1

# Byte 255 ends a file for the readers: said where it stands.
printf 'gender (masc, fem)\nx (a\377, b)\n%%\n' > ff
"$kel" --check --kind attributes ff > out 2>&1
grep -q "^ff:2: error: byte 255 .* ends the file" out || { problem "byte 255:"; cat out; }

# Hostile input.
printf 'Det\000N\n' > binary
head -c 200000 /dev/zero | tr '\0' 'a' > hugeline
truncate -s 100M big
printf '%%include "cycleb"\nDet\n' > cyclea
printf '%%include "cyclea"\nN\n' > cycleb
mkfifo fifo
mkdir dir
cat > expected <<'END'
binary:1: error: binary data (a zero byte): not a description file
hugeline:1: error: line longer than 65536 bytes: not a description file
big: error: too large to be a description file (104857600 bytes; at most 33554432)
fifo: error: not a regular file
dir: error: a directory, not a file
missing: error: cannot open: No such file or directory
kel --check: 6 files, 6 errors, 0 warnings
END
expect 1 expected binary hugeline big fifo dir missing
timeout 60 "$kel" --check --kind terminals cyclea > out 2>&1
st=$?
[ "$st" -eq 1 ] || problem "include cycle: status $st"
grep -q '^cycle[ab]:1: error: inclusion depth too great cycle[ab]' out || { problem "include cycle:"; head -5 out; }
printf '= = =\n' > unknown
printf 'unknown:1: error: cannot tell what kind of description file this is: give it with --kind\nkel --check: 1 file, 1 error, 0 warnings\n' > expected
expect 1 expected unknown

# Bad usage: status 2, the usage on standard error, nothing checked.
for args in "" "--kind" "--kind nosuch attr" "-x attr"; do
  "$kel" --check $args > out 2> err
  st=$?
  [ "$st" -eq 2 ] || problem "kel --check $args: status $st, not 2"
  grep -q '^usage: kel --check' err || problem "kel --check $args: no usage on standard error"
  [ -s out ] && problem "kel --check $args wrote on standard output: $(cat out)"
done
[ "$fail" -eq 0 ] && echo "check: messages, places, statuses and hostile files as expected"
exit "$fail"
