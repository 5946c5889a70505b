#!/bin/sh
# Runs every benchmark against the build in $1: the Google Benchmark
# programs, then the end-to-end keystroke throughput of the editor and the
# other side-by-side scripts.
set -e
dir=${1:-build-bench}
for b in "$dir"/bench/*_bench; do
  [ -x "$b" ] && "$b"
done
sh "$(dirname "$0")/keys_throughput.sh" "$dir/kel"
sh "$(dirname "$0")/fetchsave.sh" "$dir/kel"
sh "$(dirname "$0")/view_throughput.sh" "$dir/kel"
sh "$(dirname "$0")/search.sh" "$dir/kel"
sh "$(dirname "$0")/forms.sh" "$dir/kel"
sh "$(dirname "$0")/oneshot.sh" "$dir/kel"
if [ -x "$dir/kel-drill" ]; then python3 "$(dirname "$0")/drill.py" "$dir/kel-drill"; fi
sh "$(dirname "$0")/web.sh" "$dir"
