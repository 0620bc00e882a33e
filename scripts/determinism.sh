#!/bin/sh
# SPDX-License-Identifier: MIT
# The same pictures from every build: the golden checker (start-up buffers,
# golden frames, a sweep through the whole timeline) built with GCC as
# Release and Debug and with Clang as Release and Debug; every checksum line
# must be the same in all four.
#   scripts/determinism.sh [build-dir]     (default build-determinism)
set -e
cd "$(dirname "$0")/.."
top=${1:-build-determinism}

scripts/need.sh build-essential cmake clang

mkdir -p "$top"
builds="gcc-Release gcc-Debug clang-Release clang-Debug"
for b in $builds; do
    compiler=${b%-*}
    type=${b#*-}
    [ "$compiler" = gcc ] && cxx=g++ || cxx=clang++
    cmake -S . -B "$top/$b" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE="$type" \
          -DTORMEL_LIBRARY_ONLY=ON -DTORMEL_TESTS=OFF -DTORMEL_BENCH=OFF > "$top/$b.configure.log"
    cmake --build "$top/$b" -j"$(nproc)" --target goldencheck
    start=$(date +%s)
    rc=0
    "$top/$b/goldencheck" --sweep > "$top/$b.txt" || rc=$?
    # 1 means a frame differs from its recorded checksum; the comparison
    # below shows it. Anything else is a crash.
    [ "$rc" -le 1 ] || { echo "$b: goldencheck failed with status $rc"; exit 1; }
    echo "$b: $(grep '^golden' "$top/$b.txt") ($(( $(date +%s) - start )) s)"
done

status=0
first=${builds%% *}
for b in $builds; do
    [ "$b" = "$first" ] && continue
    if diff "$top/$first.txt" "$top/$b.txt" > "$top/$b.diff"; then
        echo "$b: all $(grep -c . "$top/$b.txt") lines match $first"
    else
        echo "$b differs from $first (< $first, > $b):"
        cat "$top/$b.diff"
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "determinism: $builds agree"
exit "$status"
