#!/bin/sh
# SPDX-License-Identifier: MIT
# Other CPUs: cross-builds the platform-free library, the golden checker and
# the tests that need nothing else for arm64 (little-endian; its compilers
# fuse multiply-adds unless told not to) and s390x (big-endian), runs them
# under qemu-user and compares every checksum with this machine's. Any
# difference, or a failing test, fails.
#   scripts/crosscheck.sh [cpu...]         (default: aarch64 s390x)
set -e
cd "$(dirname "$0")/.."
cpus=${*:-aarch64 s390x}
top=build-cross

packages="build-essential cmake googletest qemu-user"
for cpu in $cpus; do packages="$packages g++-$cpu-linux-gnu"; done
scripts/need.sh $packages

# Every compile must say -ffp-contract=off: without it the arm64 compiler
# fuses a * b + c into one rounding and the pictures drift.
checkflags() {
    n=$(grep -c '"command"' "$1/compile_commands.json")
    bad=$(grep '"command"' "$1/compile_commands.json" | grep -vc -- '-ffp-contract=off' || true)
    if [ "$bad" -ne 0 ]; then
        echo "$1: $bad of $n compiles lack -ffp-contract=off"
        exit 1
    fi
    echo "$1: all $n compiles have -ffp-contract=off"
}

mkdir -p "$top"
echo "== x86_64 (this machine)"
cmake -S . -B "$top/x86_64" -DTORMEL_LIBRARY_ONLY=ON -DTORMEL_TESTS=OFF -DTORMEL_BENCH=OFF \
      -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > "$top/x86_64.configure.log"
cmake --build "$top/x86_64" -j"$(nproc)" --target goldencheck
rc=0
"$top/x86_64/goldencheck" --sweep > "$top/x86_64.txt" || rc=$?
# 1 means a frame differs from its recorded checksum, which the comparison
# shows; anything else is a crash.
[ "$rc" -le 1 ] || { echo "x86_64: goldencheck failed with status $rc"; exit 1; }
grep '^golden' "$top/x86_64.txt"

status=0
for cpu in $cpus; do
    echo "== $cpu"
    b="$top/$cpu"
    cmake -S . -B "$b" -DTORMEL_LIBRARY_ONLY=ON -DTORMEL_TESTS=ON -DTORMEL_BENCH=OFF \
          -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR="$cpu" \
          -DCMAKE_CXX_COMPILER="$cpu-linux-gnu-g++" \
          -DCMAKE_CROSSCOMPILING_EMULATOR="qemu-$cpu;-L;/usr/$cpu-linux-gnu" \
          -DTORMEL_GTEST_SOURCE=/usr/src/googletest \
          -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > "$top/$cpu.configure.log"
    checkflags "$b"
    cmake --build "$b" -j"$(nproc)"
    start=$(date +%s)
    rc=0
    qemu-"$cpu" -L /usr/"$cpu"-linux-gnu "$b/goldencheck" --sweep > "$top/$cpu.txt" || rc=$?
    [ "$rc" -le 1 ] || { echo "$cpu: goldencheck failed with status $rc"; status=1; }
    grep '^golden' "$top/$cpu.txt"
    if diff "$top/x86_64.txt" "$top/$cpu.txt" > "$top/$cpu.diff"; then
        echo "$cpu: all $(grep -c . "$top/$cpu.txt") checksum lines match x86_64 ($(( $(date +%s) - start )) s)"
    else
        echo "$cpu: checksums differ from x86_64 (< x86_64, > $cpu):"
        cat "$top/$cpu.diff"
        status=1
    fi
    start=$(date +%s)
    if ctest --test-dir "$b" --output-on-failure -j"$(nproc)" --timeout 1500; then
        echo "$cpu: unit tests pass ($(( $(date +%s) - start )) s)"
    else
        status=1
    fi
done
[ "$status" -eq 0 ] && echo "cross check: $cpus agree with x86_64"
exit "$status"
