#!/bin/sh
# kel-web under load, with the real drill and the French pack: 50 learners
# at once on loopback, each answering 20 questions, through kel-web-load.
# Reports the median and 95th-percentile time from sending an answer to
# receiving its feedback, answers per second, and the memory one live
# session holds (its drill's proportional set size; RSS beside it). Two
# runs: answers back to back (the most one instance serves), then with a
# second between a learner's answers (still far faster than people type).
# Goals on two cores: median under 20 ms, 95th percentile under 100 ms,
# under 15 MB per session. Measured (RelWithDebInfo, two cores shared with
# other builds, load average about 20): back to back 191 answers/s, median
# 188 ms, 95th percentile 673 ms (a queue of 50 on two cores); one answer a
# second per learner: median 5.9 ms, 95th percentile 32.9 ms, 52 answers/s;
# memory 3.2 MB PSS (8.0 MB RSS) per session, kel-web 11.5 MB RSS.
#   sh bench/web.sh [build-dir]
dir=${1:-build-bench}
if [ ! -x "$dir/web/kel-web-load" ] || [ ! -x "$dir/kel-drill" ] || [ ! -f "$dir/packs/fr/pack.json" ]; then
  echo "web load: skipped (kel-web, kel-drill or the French pack is not built in $dir)"
  exit 0
fi
for think in 0 1000; do
  "$dir/web/kel-web-load" "$dir/web/kel-web" "$dir/kel-drill" --sessions 50 --answers 20 \
    --seconds 300 --think $think --packs "$dir/packs"
done
