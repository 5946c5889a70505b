# The start shared by the side-by-side scripts, read with "." after they set
# `defaultruns`: takes the editor and the number of runs from the script's
# arguments (kel, runs), runs the script again detached from any terminal,
# and moves into a fresh directory (tmp) removed at exit.
kel=$(realpath "${1:-build/kel}")
runs=${2:-$defaultruns}
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "$KEL_BENCH_DETACHED" ] && command -v setsid >/dev/null 2>&1; then
  KEL_BENCH_DETACHED=1 exec setsid -w sh "$0" "$kel" "$runs"
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
