# Shared by the pty tests, sourced after setting `ptyname` (the name their
# messages start with) and `kel` (their argument): checks the argument, starts
# a temporary directory for a private tmux server, counts failures and polls.

if [ -z "$kel" ] || [ ! -x "$kel" ]; then
    echo "$ptyname: FAIL (usage: $0 path/to/kel)"
    exit 1
fi
case $kel in /*) ;; *) kel=$(pwd)/$kel ;; esac
if ! command -v tmux >/dev/null 2>&1; then
    echo "$ptyname: FAIL (tmux is not installed)"
    exit 1
fi

unset TMUX                            # a private server even inside tmux
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelpty.XXXXXX") || exit 1
sock=$tmp/sock
failures=0
cleanup() {
    tmux -S "$sock" kill-server >/dev/null 2>&1
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "$ptyname: $*"
    failures=$((failures + 1))
}

# wait_for SECONDS COMMAND...: polls the command every tenth of a second.
wait_for() {
    limit=$(($1 * 10))
    shift
    i=0
    while [ $i -lt "$limit" ]; do
        "$@" && return 0
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

# The last line, and the exit status.
report() {
    if [ $failures -eq 0 ]; then
        echo "$ptyname: PASS"
        exit 0
    fi
    echo "$ptyname: FAIL ($failures problems)"
    exit 1
}
