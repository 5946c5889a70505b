#!/bin/sh
# The terminal drill on a real pseudo-terminal: the question shown, two
# answers typed with line editing, their feedback on the screen, the quit
# key (C-D) or C-C, the summary and exit status 0.
#
#   drill_pty.sh path/to/kel-drill
#
# The same seeded drill runs first in --json mode, answered the same way, to
# learn the questions; the pane (80x24, UTF-8 locale, a private tmux server)
# is then read with capture-pane, polling until the text shows or a time-out.
# Prints one PASS or FAIL line; exit status 1 on failure.

kel=$1
ptyname=drillpty
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/ptylib.sh"

screen() { tmux -S "$sock" capture-pane -p -J -t "$1" 2>/dev/null; }
keys() { tmux -S "$sock" send-keys -t "$@"; }
screen_has() { screen "$1" | grep -qF -- "$2"; }
has_file() { [ -s "$1" ]; }
expect() {
    wait_for 10 screen_has "$1" "$2" && return 0
    fail "$3: the screen lacks '$2'"
    screen "$1" | sed 's/^/  | /'
    return 1
}
field() { sed -n "$1p" "$tmp/json" | sed 's/.*"'"$2"'":"\([^"]*\)".*/\1/'; }

seed=11
args="--seed $seed --count 5"
printf 'quelque chose\n' | "$kel" $args --json --count 2 > "$tmp/json" 2> "$tmp/json.err"
second=$(field 3 expected)
first=$(field 1 question)
if [ -z "$second" ] || [ -z "$first" ]; then
    fail "--json gave no questions"
    sed 's/^/  | /' "$tmp/json" "$tmp/json.err"
    report
fi

cat > "$tmp/pane.sh" <<'PANE'
name=$1 kel=$2 tmp=$3
shift 3
trap : INT
export TERM=xterm LANG=C.UTF-8 LC_ALL=C.UTF-8
"$kel" "$@" 2> "$tmp/err.$name"
echo $? > "$tmp/rc.$name"
sleep 30
PANE
start() {
    tmux -S "$sock" -f /dev/null -u new-session -d -s "$1" -x 80 -y 24 \
        "sh '$tmp/pane.sh' $1 '$kel' '$tmp' $args" </dev/null >/dev/null 2>&1 3>&-
}
ended() {
    wait_for 10 has_file "$tmp/rc.$1" || fail "$1: the drill did not end"
    [ "$(cat "$tmp/rc.$1" 2>/dev/null)" = 0 ] || fail "$1: exit status $(cat "$tmp/rc.$1" 2>/dev/null)"
    [ -s "$tmp/err.$1" ] && sed 's/^/  stderr: /' "$tmp/err.$1" | head -5
}
start drill || { fail "tmux could not start a pane"; report; }

expect drill "Question 1 of 5: $first" "start"
# A wrong answer: its feedback and the expected answer.
keys drill -l "quelque chose"
keys drill Enter
expect drill "The answer: " "wrong answer"
expect drill "Score: 0 of 1 right." "wrong answer: score"
# The second question, typed without its first letter, which C-A (start of
# the line) and the letter put right: line editing.
expect drill "Question 2 of 5" "second question"
keys drill -l "$(printf '%s' "$second" | cut -c2-)"
keys drill C-a
keys drill -l "$(printf '%s' "$second" | cut -c1)"
keys drill Enter
expect drill "Correct.  Score: 1 of 2 right." "right answer"
expect drill "Question 3 of 5" "third question"
# The quit key: end of input at the start of a line.
keys drill C-d
expect drill "Summary: 1 of 2 answers right." "quit: summary"
ended drill

# C-C in the middle of a line: the summary too, status 0.
if start interrupt; then
    expect interrupt "Question 1 of 5" "interrupt: start"
    keys interrupt -l "nous"
    keys interrupt C-c
    expect interrupt "Summary: 0 of 0 answers right." "interrupt: summary"
    ended interrupt
fi
report
