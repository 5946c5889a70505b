#!/bin/sh
# Typing into a 24x80 terminal under tmux: 100,000 characters pasted into the
# pane as keystrokes (lines of 60 characters and RETURNs), then C-C "by"
# RETURN RETURN to leave. Measured twice in one run on the same pane size:
# with the terminal view drawing the screen, and with -s, the plain stream
# of forwarded lines on the terminal. The time runs from the paste to the
# editor's exit.
#
#   view_throughput.sh [path/to/kel]
set -e
kel=${1:-build/kel}
case $kel in /*) ;; *) kel=$(pwd)/$kel ;; esac
command -v tmux >/dev/null 2>&1 || { echo "view throughput: tmux is not installed"; exit 1; }
unset TMUX
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelvbench.XXXXXX")
sock=$tmp/sock
trap 'tmux -S "$sock" kill-server >/dev/null 2>&1; rm -rf "$tmp"' EXIT
python3 "$(dirname "$0")/typedkeys.py" 100000 "$tmp/keys" '\x03by\r\r'
keys=100000

cat > "$tmp/pane.sh" <<'PANE'
name=$1 kel=$2 tmp=$3
shift 3
cd "$tmp" || exit 1
export TERM=xterm LANG=C.UTF-8 LC_ALL=C.UTF-8
"$kel" "$@" 2> "$tmp/err.$name"
date +%s.%N > "$tmp/end.$name.new" && mv "$tmp/end.$name.new" "$tmp/end.$name"
sleep 60
PANE

# run NAME [OPTION]: seconds from the paste to the exit
run() {
    name=$1
    shift
    tmux -S "$sock" -f /dev/null -u new-session -d -s "$name" -x 80 -y 24 \
        "sh '$tmp/pane.sh' $name '$kel' '$tmp' $*" </dev/null >/dev/null 2>&1 3>&-
    i=0
    until tmux -S "$sock" capture-pane -p -t "$name" | grep -q Command; do
        i=$((i + 1)); [ $i -lt 100 ] || { echo "view throughput: $name did not start" >&2; exit 1; }
        sleep 0.1
    done
    tmux -S "$sock" load-buffer -b keys "$tmp/keys"
    start=$(date +%s.%N)
    tmux -S "$sock" paste-buffer -b keys -t "$name"
    i=0
    until [ -s "$tmp/end.$name" ]; do
        i=$((i + 1)); [ $i -lt 3000 ] || { echo "view throughput: $name did not end" >&2; exit 1; }
        sleep 0.1
    done
    python3 -c "print($(cat "$tmp/end.$name") - $start)"
}

plain=$(run plain -s)
view=$(run view)
python3 -c "
keys, plain, view = $keys, $plain, $view
print(f'typing into a 24x80 tmux pane: plain stream {keys / plain:,.0f} keys/s ({plain:.2f} s), '
      f'terminal view {keys / view:,.0f} keys/s ({view:.2f} s); view/plain time {view / plain:.2f} (goal at most 2)')"
