#!/bin/sh
# SPDX-License-Identifier: MIT
# The web build against the native one. Builds the site (scripts/web.sh),
# then compares: every start-up buffer, golden frame and pattern of the
# timeline sweep from goldencheck under node with the native goldencheck;
# the whole timeline as the page times it (its mixer and clock) with the
# native timeline checksum; and, in headless Chromium, every ?shot= with
# its golden frame pixel-doubled, ten seconds of play, pause, the seeks,
# full screen, the end and a page without an audio worklet (web/webcheck.py).
# Prints what differs and one summary line; exits 1 on any difference.
#   scripts/webcheck.sh
set -e
cd "$(dirname "$0")/.."
top=build-web
# python3-pil reads the screenshots and the golden PNGs.
scripts/need.sh build-essential cmake chromium chromium-driver python3-selenium python3-pil
mkdir -p "$top"
if ! scripts/web.sh > "$top/web.log" 2>&1; then
    tail -n 30 "$top/web.log"
    echo "webcheck: the web build failed (all of it in $top/web.log)"
    exit 1
fi
status=0

# goldencheck, native and under node: the same lines, in the same order.
cmake -S . -B "$top/native" -DTORMEL_LIBRARY_ONLY=ON -DTORMEL_TESTS=OFF -DTORMEL_BENCH=OFF > "$top/native.log"
cmake --build "$top/native" -j"$(nproc)" --target goldencheck >> "$top/native.log"
"$top/native/goldencheck" --sweep > "$top/goldencheck-native.txt" || true
node "$top/cmake/goldencheck.js" --sweep > "$top/goldencheck-web.txt" || true
lines=$(grep -c . "$top/goldencheck-native.txt")
if diff "$top/goldencheck-native.txt" "$top/goldencheck-web.txt" > "$top/goldencheck.diff"; then
    golden="goldencheck: $lines lines as native"
else
    echo "DIFFERS: goldencheck under node (<) and native (>); the first differing buffer went its own way:"
    diff "$top/goldencheck-web.txt" "$top/goldencheck-native.txt" | head -n 20 || true
    golden="goldencheck: DIFFERS"
    status=1
fi

# The whole timeline at 60 frames a second, against the checksum the
# native test pins.
want=$(grep -o 'hex64(all), "[0-9a-f]*"' tests/test_timeline.cpp | grep -o '[0-9a-f]\{16\}' || true)
got=$(node "$top/cmake/timeline.js" | grep -o 'checksum [0-9a-f]*' | cut -d' ' -f2)
if [ -n "$want" ] && [ "$got" = "$want" ]; then
    timeline="timeline $got as native"
else
    echo "DIFFERS: the timeline under node gives \"$got\", the native test pins \"$want\""
    timeline="timeline: DIFFERS"
    status=1
fi

/usr/bin/python3 web/webcheck.py "$top/site" tests/golden > "$top/page.txt" || status=1
grep -v '^page:' "$top/page.txt" || true
page=$(grep '^page:' "$top/page.txt" || echo "page: the browser check did not finish")
size=$(du -cb "$top"/site/* | tail -n 1 | cut -f1)

[ "$status" -eq 0 ] && verdict=passed || verdict=FAILED
echo "webcheck: $golden; $timeline; $page; site $size bytes: $verdict"
exit "$status"
