#!/bin/sh
# SPDX-License-Identifier: MIT
# Real-time behaviour, which the test suite leaves out because how busy the
# machine is moves it: the music clock on SDL's dummy sound device against
# the wall clock over ten seconds, and the pace of the live player's frames.
# The bounds hold on a loaded 2-core machine (two busy loops beside it).
# They are loose for the clock: the dummy device paces itself by sleeping a
# buffer at a time, so on a busy machine it falls behind (up to half a
# second in ten), and the clock, which never runs ahead of the sound handed
# out, falls behind with it. The frames are held to the cap exactly.
#   scripts/realtime.sh [BUILD-DIR]    default build, configured with -DTORMEL_TESTS=ON
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
cmake --build "$build" --target tormel test_music presents > /dev/null
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0

# The clock: drift from the wall clock over ten seconds, and the largest
# step between two readings 2 ms apart.
SDL_AUDIODRIVER=dummy TORMEL_DRIFT_MS=1500 TORMEL_STEP_MS=250 "$build/tests/test_music" \
    --gtest_also_run_disabled_tests --gtest_filter='RealTime.*' > "$tmp/clock" 2>&1 || status=1
grep '^clock' "$tmp/clock" || cat "$tmp/clock"

# The live player, ten seconds each with the silent clock and with the dummy
# device: never more than the cap of 60 and one in any second, and no fewer
# than 30 a second on average.
cd "$tmp"
for sound in --no-sound ""; do
    rm -f "$tmp/presents"
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy XDG_DATA_HOME="$tmp" XDG_DATA_DIRS="$tmp" \
        TORMEL_PRESENTS="$tmp/presents" LD_PRELOAD="$build/tests/libpresents.so" \
        timeout -s INT 10 "$build/tormel" -w $sound 2> /dev/null || true
    awk -v what="live frames ${sound:-with the dummy device}" '$1 == "present" { t[n++] = $2 }
        END {
            most = 0; j = 0
            for (i = 0; i < n; i++) {
                while (t[i] - t[j] >= 1000) j++
                if (i - j + 1 > most) most = i - j + 1
            }
            rate = n > 1 ? (n - 1) * 1000 / (t[n - 1] - t[0]) : 0
            ok = most <= 61 && rate >= 30
            printf "%s: %.1f a second, at most %d in any second: %s\n", what, rate, most, ok ? "ok" : "FAIL"
            exit !ok
        }' "$tmp/presents" || status=1
done
exit $status
