#!/bin/sh
# Set-up, build and run. "demo" runs the editor on the sample text,
# "test" builds and runs every test, "bench" builds and runs the benchmarks.
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
if [ -n "$need" ]; then
  if [ "$(id -u)" = 0 ]; then SUDO=""; else SUDO="sudo"; fi
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $need
fi

jobs=$(nproc 2>/dev/null || echo 2)
build() {   # build <dir> [cmake options...]
  dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEL_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

case "${1:-demo}" in
demo)
  build build -DKEL_TESTS=OFF
  exec build/kel examples/sample.txt
  ;;
test)
  build build
  (cd build && ctest --output-on-failure -j "$jobs")
  ;;
sanitize)
  build build-asan -DKEL_SANITIZE=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
  ;;
bench)
  build build-bench -DKEL_BENCH=ON -DKEL_TESTS=OFF -DCMAKE_BUILD_TYPE=Release
  sh bench/run.sh build-bench
  ;;
*)
  echo "usage: run.sh demo|test|sanitize|bench" >&2; exit 2 ;;
esac
