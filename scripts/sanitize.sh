#!/bin/sh
# SPDX-License-Identifier: MIT
# The whole test suite under AddressSanitizer (leaks included) and
# UndefinedBehaviorSanitizer, the whole timeline at 60 frames a second among
# it. Any report, in a test or in a tormel process a test starts, fails.
#   scripts/sanitize.sh [build-dir]        (default build-sanitize)
set -e
cd "$(dirname "$0")/.."
dir=${1:-build-sanitize}
scripts/setup.sh --tests

# -O1 keeps the suite fast enough while the reports still point at lines.
cmake -S . -B "$dir" -DTORMEL_SANITIZE=ON -DTORMEL_TESTS=ON -DTORMEL_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g"
cmake --build "$dir" -j"$(nproc)"

# Every process writes its reports to a file of its own in $reports, so a
# report from a child whose exit status a test does not look at is still seen.
reports="$(pwd)/$dir/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
# fast_unwind_on_malloc=0: the SDL libraries have no frame pointers, and
# the one suppression (scripts/lsan.supp) must see the whole stack.
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0:log_path=$reports/lsan"

status=0
start=$(date +%s)
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 3000 -E '^Live[.]' || status=$?
# The live player on a private X server draws through Mesa's software GL,
# which compiles code as it runs: ASan's slow unwinder deadlocks inside it
# (a lock of the unwinder taken twice), and the X11 path's own libraries
# (libdbus, SDL 2) keep allocations to the end. Those runs unwind fast and
# leave leaks to the runs above, which take the same code of ours through
# SDL's dummy drivers.
ASAN_OPTIONS="$ASAN_OPTIONS:fast_unwind_on_malloc=1:detect_leaks=0" \
    ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 3000 -R '^Live[.]' || status=$?
echo "sanitized test suite: $(( $(date +%s) - start )) s"

if [ -n "$(ls -A "$reports")" ]; then
    for f in "$reports"/*; do
        echo "==== $f"
        cat "$f"
    done
    echo "sanitizer reports: $(ls "$reports" | wc -l)"
    status=1
fi
[ "$status" -eq 0 ] && echo "sanitizers: no reports"
exit "$status"
