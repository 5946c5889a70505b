#!/bin/sh
# The terminal view on a real pseudo-terminal: kel draws its own screen when
# standard output is a terminal, and gives the terminal back as it found it.
#
#   pty_view.sh path/to/kel
#
# Runs kel in a pane of a private tmux server (80x24, UTF-8 locale) on a copy
# of examples/sample.txt and reads the pane with capture-pane. Every check
# polls the pane until the expected content shows or a time-out passes.
# Prints one PASS or FAIL line; exit status 1 on failure.

kel=$1
ptyname=ptyview
here=$(cd "$(dirname "$0")/.." && pwd)
. "$here/tests/ptylib.sh"

screen() { tmux -S "$sock" capture-pane -p -t "$1" 2>/dev/null; }
row() { screen "$1" | sed -n "$(($2 + 1))p"; }
cursor() { tmux -S "$sock" display -p -t "$1" '#{cursor_x},#{cursor_y}' 2>/dev/null; }
keys() { tmux -S "$sock" send-keys -t "$@"; }

# Row N (from 0) of the pane contains the text.
row_has() { case $(row "$1" "$2") in *"$3"*) return 0 ;; esac; return 1; }
row_is() { [ "$(row "$1" "$2" | sed 's/ *$//')" = "$3" ]; }
screen_has() { screen "$1" | grep -q "$2"; }
cursor_at() { [ "$(cursor "$1")" = "$2" ]; }
has_file() { [ -s "$1" ]; }

# expect_row PANE ROW TEXT WHAT: the row shows TEXT within a few seconds.
expect_row() {
    wait_for 10 row_has "$1" "$2" "$3" && return 0
    fail "$4: row $2 lacks '$3'"
    screen "$1" | sed 's/^/  | /'
    return 1
}
expect_cursor() {
    wait_for 10 cursor_at "$1" "$2" && return 0
    fail "$3: cursor at $(cursor "$1"), not $2"
    return 1
}

# The pane: note the terminal's modes, print a marker, run kel in the
# background on the terminal (so that C-A can stop it), note the modes again.
cat > "$tmp/pane.sh" <<'EOF'
name=$1 kel=$2 tmp=$3
shift 3
cd "$tmp" || exit 1
trap : INT
trap '' TSTP
export TERM=xterm LANG=C.UTF-8 LC_ALL=C.UTF-8
stty -g > "$tmp/before.$name"
echo "SHELL SCREEN BEFORE KEL"
"$kel" "$@" < /dev/tty > /dev/tty 2> "$tmp/err.$name" &
pid=$!
echo $pid > "$tmp/pid.$name"
rc=127
while kill -0 $pid 2>/dev/null; do wait $pid; rc=$?; done
stty -g > "$tmp/after.$name"
echo $rc > "$tmp/rc.$name"
sleep 30
EOF

start() {
    name=$1
    shift
    tmux -S "$sock" -f /dev/null -u new-session -d -s "$name" -x 80 -y 24 \
        "sh '$tmp/pane.sh' $name '$kel' '$tmp' $*" </dev/null >/dev/null 2>&1 3>&- ||
        { fail "$name: tmux could not start a pane"; return 1; }
    wait_for 10 has_file "$tmp/pid.$name" || { fail "$name: the pane did not start"; return 1; }
}

finish() {
    if ! wait_for 15 has_file "$tmp/rc.$1"; then
        fail "$1: kel did not end"
        kill -KILL "$(cat "$tmp/pid.$1")" 2>/dev/null
        return 1
    fi
    [ "$(cat "$tmp/rc.$1")" = 0 ] || fail "$1: exit status $(cat "$tmp/rc.$1")"
    [ "$(cat "$tmp/after.$1")" = "$(cat "$tmp/before.$1")" ] || fail "$1: modes not restored"
    [ -s "$tmp/err.$1" ] && sed 's/^/  stderr: /' "$tmp/err.$1" | head -5
}

cp "$here/examples/sample.txt" "$tmp/sample.txt"

# --------------------------------------------------------------- editing
if start edit sample.txt; then
    # The file's first lines under the status row and the ruler; the editor
    # starts on the command line.
    expect_row edit 0 "sample.txt" "start: file name"
    expect_row edit 0 "line    1  col    1  of 5" "start: status fields"
    expect_row edit 1 "<......." "start: ruler"
    expect_row edit 2 "  This is kel, an editor of in-memory text buffers." "start: first line"
    expect_row edit 3 "  Every change of the screen" "start: second line"
    expect_row edit 23 "Command:" "start: command line"
    expect_cursor edit "9,23" "start"

    # RETURN leaves the command line; typing overwrites at the cursor, the
    # down key moves a row, and the cursor follows.
    keys edit Enter
    expect_row edit 23 "" "typing"
    wait_for 5 row_is edit 23 "" || fail "typing: command line not cleared"
    keys edit -l "XY"
    expect_row edit 2 "  XYis is kel" "typing: overtype"
    expect_cursor edit "4,2" "typing"
    keys edit Down
    keys edit -l "Z"
    expect_row edit 3 "  EvZry change" "moving: typed on the next line"
    expect_row edit 0 "line    2  col    4" "moving: status follows"
    expect_cursor edit "5,3" "moving"

    # UTF-8: é is the escape key's letter, ë a letter no key delivers; both
    # shown as typed and saved as Latin-1 bytes. The euro sign is refused.
    keys edit Left Left Left
    keys edit -l "é€ë"
    expect_row edit 3 "  éëZry change" "utf-8: shown"
    expect_cursor edit "4,3" "utf-8"

    # The command line: prompt, command name and parameters as typed.
    keys edit C-c
    expect_row edit 23 "Command:" "command: prompt"
    keys edit -l "sa"
    expect_row edit 23 "Filename: SAVE" "command: name and parameter prompt"
    keys edit -l "out.txt"
    expect_row edit 23 "Filename: SAVE out.txt" "command: parameter"
    keys edit Enter
    wait_for 10 has_file "$tmp/out.txt" || fail "save: no file written"
    expect_row edit 23 "Command:" "save: back on the command line"
    if [ -f "$tmp/out.txt" ]; then
        second=$(sed -n 2p "$tmp/out.txt" | od -An -tx1 | tr -d ' \n')
        case $second in
            e9eb5a72*) ;;
            *) fail "utf-8: line 2 saved as $second, not Latin-1 e9 eb 5a 72" ;;
        esac
    fi

    # An error on the help line waits for RETURN.
    keys edit -l "fenosuch.file"
    keys edit Enter
    expect_row edit 22 "File not found" "error: on the help line"
    expect_row edit 22 "RETURN" "error: waits"
    case $(cursor edit) in *,22) ;; *) fail "error: cursor not on the help line" ;; esac
    sleep 0.5
    row_has edit 22 "File not found" || fail "error: did not wait"
    keys edit Enter
    wait_for 5 row_is edit 22 "" || fail "error: not cleared after RETURN"

    # A bigger window: everything drawn again at the new size.
    tmux -S "$sock" resize-window -t edit -x 100 -y 30 >/dev/null 2>&1
    expect_row edit 29 "Command:" "resize: command line moves down"
    [ "$(row edit 0 | sed 's/ *$//' | wc -c)" -ge 99 ] || fail "resize: status row not 100 wide"
    expect_row edit 2 "  XYis is kel" "resize: text drawn again"
    expect_row edit 3 "  éëZry change" "resize: second line drawn again"

    # Suspend with C-A, continue: the shell's screen, then the editor's again.
    keys edit Enter
    wait_for 5 row_is edit 29 "" || fail "suspend: command line not left"
    keys edit -H 01
    expect_row edit 0 "SHELL SCREEN BEFORE KEL" "suspend: shell screen back"
    kill -CONT "$(cat "$tmp/pid.edit")" 2>/dev/null
    expect_row edit 2 "  XYis is kel" "resume: text drawn again"
    expect_row edit 0 "line    2" "resume: status drawn again"
    keys edit -l "Q"
    expect_row edit 3 "  éëQry change" "resume: typing goes on"

    # BYE: the unsaved-changes warning waits; then the shell's screen is back.
    keys edit C-c
    keys edit -l "by"
    keys edit Enter
    expect_row edit 28 "WARNING: corefile 1 not saved" "bye: warning"
    keys edit Enter
    finish edit
    expect_row edit 0 "SHELL SCREEN BEFORE KEL" "exit: screen restored"
fi

# ------------------------------------------------------------- Latin-1
# Every printable Latin-1 character is drawn as itself; a burst of input that
# ends in a refused character is on the screen without another key; after
# the view shifts sideways the rows below the text carry no flags.
if start latin sample.txt; then
    expect_row latin 23 "Command:" "latin-1: start"
    keys latin Enter
    wait_for 5 row_is latin 23 "" || fail "latin-1: command line not left"
    keys latin -l "¿¡«»°£§€"
    expect_row latin 2 "  ¿¡«»°£§ kel, an editor" "latin-1: drawn as typed"
    expect_cursor latin "9,2" "latin-1: refused character at the end of the burst"
    keys latin -l "$(printf '%090d' 0)"
    expect_row latin 2 "--" "shift: the line's flags"
    row_has latin 10 "--" && fail "shift: stale flags below the text: $(row latin 10)"
    keys latin C-c
    keys latin -l "by"
    keys latin Enter
    expect_row latin 22 "WARNING: corefile 1 not saved" "latin-1: bye warning"
    keys latin Enter
    finish latin
fi

# ------------------------------------------------------------ plain stream
# -s: the forwarded lines, as a front end would read them.
if start plain -s sample.txt; then
    wait_for 10 screen_has plain "Command" || fail "plain: no forwarded mode name"
    screen plain | grep -q "This is kel" && fail "plain: text window drawn"
    keys plain Enter C-c
    keys plain -l "by"
    keys plain Enter
    finish plain
fi

report
