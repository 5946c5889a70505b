#!/bin/sh
# A small driver program:   build/kel -d examples/driver.sh
#
# Whatever a driver writes on its standard output reaches the editor as
# keystrokes; the editor's answers (ASK), line ranges (EMIT) and
# acknowledgements arrive on its standard input. The editor starts it on the
# command line. When the driver ends, the keyboard takes over.
#
# This one types three lines, asks how many lines the corefile has, has the
# first two sent back, reports on its standard error and ends.

cmd=$(printf '\003')                 # the command key

# Leave the command line and type.
printf '\nThe first line.\nThe second line.\nThe third line.'

# ASK 16: the line count, one number on a line.
printf '%sAS16\n' "$cmd"
IFS= read -r count || exit 1

# EMIT corefile 0 (the current one), lines 1 to 2, to the driver (1): the
# lines as a file holds them, then "$$$" with CR LF.
printf 'EM0|1|2|1\n'
lines=""
while IFS= read -r line; do
  case $line in
    '$$$'*) break ;;
  esac
  lines="$lines    $line
"
done

printf 'driver: the corefile has %s lines; the first two are\n%s' "$count" "$lines" >&2

# Back to typing, and hand over by ending.
printf '\n'
