#!/bin/sh
# Terminal modes on a real pseudo-terminal: kel must put the terminal into its
# own modes while it runs and leave it exactly as it found it, whichever way it
# ends, and curses must never write into standard output unless standard
# output is the terminal.
#
#   pty_modes.sh path/to/kel
#
# Runs kel in panes of a private tmux server, compares `stty -g` of the pane's
# terminal before and after, and reads the modes from outside while kel runs.
# Cases:
#   pipe   keys from a pipe, standard output the terminal; ends at end of input
#   file   keys from a pipe, standard output a file: curses on the controlling
#          terminal, the file free of escape sequences
#   keys   keys typed on the terminal: C-A suspends (start modes back), SIGCONT
#          resumes (editor modes back), a resize, RETURN leaves the command
#          line, then C-_ (interrupt = the command key) "by" RETURN quits (BYE)
#   unknown  a terminal type without a terminfo entry: kel runs without curses
#          and leaves the modes alone
#   notty  no controlling terminal at all: no curses, clean output
# Prints one PASS or FAIL line; exit status 1 on failure.

kel=$1
ptyname=ptymodes
. "$(dirname "$0")/ptylib.sh"

show_errors() {
    [ -s "$tmp/err.$1" ] && sed 's/^/  stderr: /' "$tmp/err.$1" | head -20
}

modes_of() { stty -F "$(cat "$tmp/tty.$1")" -g 2>/dev/null; }
has_file() { [ -s "$1" ]; }
editor_modes() {
    now=$(stty -F "$(cat "$tmp/tty.$1")" -a 2>/dev/null) || return 1
    case $now in *"intr = ^_"*) return 0 ;; esac
    return 1
}
# Waits until the pane shows the same thing twice in a row: kel has dealt
# with the keys sent so far.
settle() {
    prev=
    i=0
    while [ $i -lt 30 ]; do
        sleep 0.3
        now=$(tmux -S "$sock" capture-pane -p -t "$1" 2>/dev/null)
        [ $i -gt 0 ] && [ "$now" = "$prev" ] && return 0
        prev=$now
        i=$((i + 1))
    done
}
start_modes() { [ "$(modes_of "$1")" = "$(cat "$tmp/before.$1")" ]; }

# The editor's modes as seen from outside the pane.
check_editor_modes() {
    a=$(stty -F "$(cat "$tmp/tty.$1")" -a 2>/dev/null)
    for want in "intr = ^_" "susp = ^A" "quit = <undef>" "start = <undef>" \
                "stop = <undef>" "werase = <undef>" "lnext = <undef>" \
                " -icanon" " -echo " " -icrnl"; do
        case $a in
            *"$want"*) ;;
            *) fail "$1: '$want' missing from the modes while kel runs" ;;
        esac
    done
}

# What runs in each pane: record the terminal, its modes, run kel, record again.
cat > "$tmp/pane.sh" <<'EOF'
mode=$1 kel=$2 tmp=$3
trap : INT
trap '' TSTP
tty > "$tmp/tty.$mode.new" && mv "$tmp/tty.$mode.new" "$tmp/tty.$mode"
stty -g > "$tmp/before.$mode"
export TERM=xterm
case $mode in
    pipe) "$kel" < "$tmp/fifo.$mode" 2> "$tmp/err.$mode" ;;
    file) "$kel" < "$tmp/fifo.$mode" > "$tmp/out.$mode" 2> "$tmp/err.$mode" ;;
    unknown) TERM=kel-no-such-terminal "$kel" < "$tmp/fifo.$mode" 2> "$tmp/err.$mode" ;;
    keys) "$kel" < /dev/tty > /dev/tty 2> "$tmp/err.$mode" &
          pid=$!
          echo $pid > "$tmp/pid.$mode"
          rc=127
          while kill -0 $pid 2>/dev/null; do wait $pid; rc=$?; done
          (exit $rc) ;;
esac
rc=$?
stty -g > "$tmp/after.$mode"
echo $rc > "$tmp/rc.$mode"
EOF

start_pane() {
    tmux -S "$sock" -f /dev/null new-session -d -s "$1" -x 80 -y 24 \
        "sh '$tmp/pane.sh' $1 '$kel' '$tmp'" </dev/null >/dev/null 2>&1 3>&- ||
        { fail "$1: tmux could not start a pane"; return 1; }
    wait_for 10 has_file "$tmp/tty.$1" && wait_for 5 has_file "$tmp/before.$1" ||
        { fail "$1: the pane did not start"; return 1; }
}

finish_pane() {
    if ! wait_for 15 has_file "$tmp/rc.$1"; then
        fail "$1: kel did not end"
        [ -s "$tmp/pid.$1" ] && kill -KILL "$(cat "$tmp/pid.$1")" 2>/dev/null
        show_errors "$1"
        return 1
    fi
    before=$failures
    [ "$(cat "$tmp/rc.$1")" = 0 ] || fail "$1: exit status $(cat "$tmp/rc.$1")"
    if [ "$(cat "$tmp/after.$1")" != "$(cat "$tmp/before.$1")" ]; then
        fail "$1: modes not restored"
        echo "  before: $(cat "$tmp/before.$1")"
        echo "  after:  $(cat "$tmp/after.$1")"
    fi
    [ $failures -eq "$before" ] || show_errors "$1"
}

# Keys through a pipe: kel takes the terminal, then ends at end of its input.
pipe_case() {
    mkfifo "$tmp/fifo.$1"
    exec 3<>"$tmp/fifo.$1"            # read-write: opening never blocks
    start_pane "$1" || { exec 3>&-; return; }
    if wait_for 10 editor_modes "$1"; then
        check_editor_modes "$1"
    else
        fail "$1: kel never set its modes on the terminal"
    fi
    printf 'abc' >&3
    sleep 0.3
    exec 3>&-
    finish_pane "$1"
}

pipe_case pipe
pipe_case file
esc=$(printf '\033')
if [ -f "$tmp/out.file" ] && grep -q "$esc" "$tmp/out.file"; then
    fail "file: escape sequences in standard output"
fi

mkfifo "$tmp/fifo.unknown"
exec 3<>"$tmp/fifo.unknown"
if start_pane unknown; then
    printf 'abc' >&3
    settle unknown
    start_modes unknown || fail "unknown: modes changed without a terminal description"
    exec 3>&-
    finish_pane unknown
fi
exec 3>&-

# Keys on the terminal: suspend, continue, resize, quit.
if start_pane keys; then
    if wait_for 10 editor_modes keys && wait_for 5 has_file "$tmp/pid.keys"; then
        check_editor_modes keys
        pid=$(cat "$tmp/pid.keys")
        tmux -S "$sock" send-keys -t keys -H 01
        stopped() { case $(cut -d' ' -f3 "/proc/$pid/stat" 2>/dev/null) in T|t) return 0 ;; esac; return 1; }
        if [ -r "/proc/$pid/stat" ]; then
            wait_for 5 stopped || fail "keys: C-A did not stop kel"
        else
            sleep 1
        fi
        start_modes keys || fail "keys: modes not restored while suspended"
        kill -CONT "$pid" 2>/dev/null
        if wait_for 5 editor_modes keys; then
            check_editor_modes keys
        else
            fail "keys: modes not set again after continuing"
        fi
        tmux -S "$sock" resize-window -t keys -x 100 -y 30 >/dev/null 2>&1
        settle keys
        editor_modes keys || fail "keys: modes lost after a window-size change"
        # RETURN leaves the command line the editor starts in; then the
        # interrupt key must open it again for "by" RETURN to reach BYE.
        tmux -S "$sock" send-keys -t keys -H 0d
        settle keys
        tmux -S "$sock" send-keys -t keys -H 1f
        settle keys
        tmux -S "$sock" send-keys -t keys -H 62 79 0d
    else
        fail "keys: kel never set its modes on the terminal"
    fi
    finish_pane keys
fi

# No controlling terminal: curses stays out of it.
if command -v setsid >/dev/null 2>&1; then
    printf 'abc' > "$tmp/in.notty"
    TERM=xterm timeout 20 setsid -w "$kel" < "$tmp/in.notty" > "$tmp/out.notty" 2> "$tmp/err.notty"
    rc=$?
    [ $rc = 0 ] || fail "notty: exit status $rc"
    grep -q "$esc" "$tmp/out.notty" && fail "notty: escape sequences in standard output"
fi

report
