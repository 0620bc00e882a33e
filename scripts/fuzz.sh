#!/bin/sh
# SPDX-License-Identifier: MIT
# Fuzzes the loading of the three data files (module check and player,
# sprite unpacking and glow, relief expansion and smoothing) with libFuzzer
# under ASan and UBSan, for a bounded time, from the seed corpus in
# fuzz/corpus. Fails on a crash, a sanitizer report, a leak, a hang or a
# broken promise of the player; the input that did it is left in the
# build folder as crash-*, leak-*, timeout-* or oom-*.
#   scripts/fuzz.sh [seconds] [build-dir]  (default 60 s, build-fuzz)
set -e
cd "$(dirname "$0")/.."
seconds=${1:-60}
dir=${2:-build-fuzz}
scripts/setup.sh

# clang and its runtime libraries (libFuzzer, the sanitizers).
scripts/need.sh clang libclang-rt-14-dev

cmake -S . -B "$dir" -DCMAKE_CXX_COMPILER=clang++ -DTORMEL_FUZZ=ON \
      -DTORMEL_TESTS=OFF -DTORMEL_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g"
cmake --build "$dir" -j"$(nproc)" --target fuzz_data

# New inputs go to a scratch corpus in the build folder; the seeds in the
# repository are only read. -timeout: one input may take at most 10 s
# (a module that makes the player spin); -rss_limit_mb guards memory.
mkdir -p "$dir/corpus"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
cd "$dir"
# FUZZ_RUNS=N makes the run repeatable: N inputs from a fixed seed (CI uses
# it, so a submission is judged on the same inputs every time), still within
# the time limit.
repeat=""
[ -n "$FUZZ_RUNS" ] && repeat="-runs=$FUZZ_RUNS -seed=1"
./fuzz/fuzz_data corpus ../fuzz/corpus -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 $repeat
