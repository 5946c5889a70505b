#!/bin/sh
# Set-up, build and run. "drill [options]" starts the French verb drill
# (kel-drill's options after it), "web [options]" serves it to a browser,
# "demo" runs the editor on the sample text, "test" builds and runs every
# test, "bench" builds and runs the benchmarks, "fuzz [seconds]" runs each
# fuzz target for that long (clang).
set -e
cd "$(dirname "$0")"

need=""
command -v g++ >/dev/null 2>&1 || need="$need g++"
command -v cmake >/dev/null 2>&1 || need="$need cmake"
[ -f /usr/include/curses.h ] || need="$need libncurses-dev"
[ -f /usr/include/gtest/gtest.h ] || need="$need libgtest-dev"
[ -f /usr/include/benchmark/benchmark.h ] || need="$need libbenchmark-dev"
command -v script >/dev/null 2>&1 || need="$need bsdutils"
command -v tmux >/dev/null 2>&1 || need="$need tmux"
command -v python3 >/dev/null 2>&1 || need="$need python3"
# The language packs are built from verbiste's data, read with pugixml; the
# exercise layer reads and writes JSON.
command -v french-conjugator >/dev/null 2>&1 || need="$need verbiste"
[ -f /usr/include/pugixml.hpp ] || need="$need libpugixml-dev"
[ -f /usr/include/nlohmann/json.hpp ] || need="$need nlohmann-json3-dev"
# The drill edits answer lines with libedit.
[ -f /usr/include/editline/readline.h ] || need="$need libedit-dev"
# The web front end serves HTTP with cpp-httplib, found through pkg-config.
[ -f /usr/include/httplib.h ] || need="$need libcpp-httplib-dev"
command -v pkg-config >/dev/null 2>&1 || need="$need pkg-config"
if [ -n "$need" ]; then
  if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $need
fi

# The browser tests: Debian's chromium, driven by playwright-core from npm
# (no browser of its own is downloaded).
browser_tools() {
  more=""
  [ -x /usr/bin/chromium ] || more="$more chromium"
  command -v node >/dev/null 2>&1 || more="$more nodejs"
  command -v npm >/dev/null 2>&1 || more="$more npm"
  if [ -n "$more" ]; then
    if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $more || echo "run.sh: could not install$more" >&2
  fi
  if [ ! -d tests/web/browser/node_modules/playwright-core ] && command -v npm >/dev/null 2>&1; then
    (cd tests/web/browser && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund) ||
      echo "run.sh: could not install playwright-core" >&2
  fi
}

jobs=$(nproc 2>/dev/null || echo 2)
build() {   # build <dir> [cmake options...]
  dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}
# The sanitized build, with its tests; where clang is at hand it is built with
# clang and holds the fuzz targets too, so "sanitize" then "fuzz" build once.
asan_build() {
  if command -v clang++ >/dev/null 2>&1; then
    build build-asan -DKEL_SANITIZE=ON -DKEL_FUZZ=ON -DKEL_TESTS=ON -DCMAKE_CXX_COMPILER=clang++
  else
    build build-asan -DKEL_SANITIZE=ON -DKEL_TESTS=ON
  fi
}

case "${1:-demo}" in
drill)
  shift
  build build -DKEL_TESTS=OFF
  exec build/kel-drill "$@"
  ;;
demo)
  build build -DKEL_TESTS=OFF
  exec build/kel examples/sample.txt
  ;;
test)
  # The tests are built whatever the cache holds (demo turns them off), and a
  # run in which no test ran fails.
  browser_tools
  build build -DKEL_TESTS=ON
  (cd build && ctest --output-on-failure --no-tests=error -j "$jobs")
  ;;
sanitize)
  browser_tools
  asan_build
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
  ;;
fuzz)
  # $2 seconds (default 60) for each of the eleven targets, shared out as
  # nine tenths of it for each target, seeded from the test cases, in a
  # directory of its own under build-asan (a finding is left there as
  # crash-*), and the rest for a mutation run of the black-box cases' keys
  # through the sanitized editor (findings left in build-asan/run-mutate).
  # The targets confine themselves to that directory (chroot), where the leak
  # checker cannot read /proc: leaks are left to the sanitizer build.
  command -v clang++ >/dev/null 2>&1 || { echo "run.sh fuzz: clang++ is needed" >&2; exit 2; }
  total=${2:-60}
  secs=$((total * 9 / 10))
  asan_build
  for t in keys tokens attributes lexicon morph syntax lextrans semantic variants recover check; do
    dir=build-asan/run-$t
    rm -rf "$dir"
    mkdir -p "$dir/corpus"
    n=0
    case $t in
      keys) seeds=$(ls tests/cases/*/*/keys) ;;   # as written, and decoded below
      tokens) seeds=$(find tests/cases/engine -path '*/in/*' -type f) ;;
      attributes) seeds=$(grep -rlis "attribute\|%define" tests/cases/engine --include='*' | grep '/in/') ;;
      lexicon) seeds=$(ls tests/cases/engine/lexicon-*/in/lex* tests/cases/engine/lexicon-*/in/more 2>/dev/null) ;;
      morph) seeds=$(ls tests/cases/engine/morph-*/in/morph* tests/cases/engine/morph-*/in/tabs 2>/dev/null) ;;
      syntax) seeds=$(ls tests/cases/engine/syntax-*/in/* 2>/dev/null) ;;
      lextrans) seeds=$(ls tests/cases/engine/lextrans-*/in/rules 2>/dev/null) ;;
      semantic) seeds=$(ls tests/cases/semantic/*/in/sem 2>/dev/null) ;;
      recover) seeds=$(ls tests/cases/generate/recover/in/bad* tests/cases/generate/recover/files/stored 2>/dev/null) ;;
      variants) seeds=$(ls tests/cases/analysis/*/in/merr tests/cases/analysis/*/in/tags tests/cases/analysis/*/in/ipa 2>/dev/null) ;;
      check) seeds=$(ls examples/formats/* 2>/dev/null) ;;
    esac
    for f in $seeds; do n=$((n + 1)); cp "$f" "$dir/corpus/seed$n"; done
    dict=
    if [ $t = keys ]; then
      for f in $seeds; do n=$((n + 1)); build-asan/fuzz/fuzz_kelkeys < "$f" > "$dir/corpus/seed$n"; done
      dict=-dict=../../fuzz/keys.dict
    fi
    echo "fuzz: $t for $secs s from $n seeds"
    (cd "$dir" && ASAN_OPTIONS=detect_leaks=0 ../fuzz/fuzz_$t -max_total_time="$secs" -max_len=4096 -timeout=20 \
        -rss_limit_mb=4096 -detect_leaks=0 -print_final_stats=1 -artifact_prefix=./ $dict corpus 2>log) ||
      { tail -40 "$dir/log"; echo "fuzz: $t found a fault; see $dir" >&2; exit 1; }
    grep -E "stat::number_of_executed_units|stat::new_units_added" "$dir/log" | sed "s/^/  /"
  done
  dir=build-asan/run-mutate
  rm -rf "$dir"
  mkdir -p "$dir"
  echo "fuzz: mutations of the black-box cases for $((total * 10 - secs * 10)) s"
  python3 fuzz/mutate.py build-asan/kel build-asan/fuzz/fuzz_kelkeys tests/cases fuzz/keys.dict \
    $((total * 10 - secs * 10)) "$dir" ||
    { echo "fuzz: the mutation run found a fault; see $dir" >&2; exit 1; }
  ;;
web)
  # The drill in a browser: builds kel-web and the drill, serves on
  # 127.0.0.1 (port 8080, or --port N; more flags: build/web/kel-web --help).
  build build -DKEL_TESTS=OFF
  shift
  exec build/web/kel-web "$@"
  ;;
bench)
  build build-bench -DKEL_BENCH=ON -DKEL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
  sh bench/run.sh build-bench
  ;;
*)
  echo "usage: run.sh drill [options]|demo|test|web [options]|sanitize|bench|fuzz [seconds]" >&2; exit 2 ;;
esac
