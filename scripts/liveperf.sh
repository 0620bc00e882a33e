#!/bin/sh
# SPDX-License-Identifier: MIT
# What the live player costs, measured as it runs for a viewer:
#   - SECONDS with SDL's dummy video and the silent clock (--no-sound): the
#     share of one core it takes, the frames it presents, the most in any
#     one second;
#   - SECONDS in a window on a private X server (Xvfb), unmapped after its
#     first frames as a minimised window is: the same, and the frames
#     presented while hidden;
#   - from the process's start to its first frame (dummy video and sound),
#     over ten runs: the median and the range, and when the sound device
#     and the window had opened (medians).
# A preloaded library (tests/shim/presents.cpp, built here) notes the frames.
# The machine may be shared: compare two builds in the same run, in turn.
#   scripts/liveperf.sh [TORMEL] [SECONDS]    default build/tormel, 30
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(realpath "${1:-$root/build/tormel}")
secs=${2:-30}
"$root/scripts/need.sh" xvfb xdotool time g++ pkg-config libsdl1.2-compat-dev

tmp=$(mktemp -d)
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
c++ -O2 -shared -fPIC "$root/tests/shim/presents.cpp" $(pkg-config --cflags sdl) -o "$tmp/presents.so" -ldl
mkdir "$tmp/run"
cd "$tmp/run"  # no data files here: the built-in ones, as for a new user
export XDG_DATA_HOME="$tmp/run" XDG_DATA_DIRS="$tmp/run"

# frames FILE [FROM-MS]: how many were presented (from FROM-MS on), how many a
# second, and the most within any one second.
frames() {
    awk -v from="${2:-0}" '$1 == "present" && $2 >= from { t[n++] = $2 }
        END {
            if (n < 2) { printf "%d frames", n; exit }
            most = 0; j = 0
            for (i = 0; i < n; i++) {
                while (t[i] - t[j] >= 1000) j++
                if (i - j + 1 > most) most = i - j + 1
            }
            printf "%d frames, %.1f a second, at most %d in any second", n, (n - 1) * 1000 / (t[n - 1] - t[0]), most
        }' "$1"
}
# cpu FILE: /usr/bin/time's "user system elapsed" (its last line; a line
# about the exit status may come first) as a share of one core.
cpu() {
    tail -n 1 "$1" | awk '{ printf "%.1f %% of one core (%.2f s user, %.2f s system in %.1f s)", ($1 + $2) * 100 / $3, $1, $2, $3 }'
}
# median: of the numbers on standard input, and their range.
median() {
    sort -n | awk '{ v[n++] = $1 } END { printf "%.1f ms (%.1f to %.1f)", v[int((n - 1) / 2)], v[0], v[n - 1] }'
}

echo "tormel: $bin; load average: $(cut -d' ' -f1-3 /proc/loadavg)"

# 1. Dummy video, silent clock.
SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TORMEL_PRESENTS="$tmp/dummy" LD_PRELOAD="$tmp/presents.so" \
    /usr/bin/time -f '%U %S %e' -o "$tmp/dummy.time" timeout -s INT "$secs" "$bin" -w --no-sound 2> /dev/null || true
echo "dummy video, silent clock, $secs s: CPU $(cpu "$tmp/dummy.time"); $(frames "$tmp/dummy")"

# 2. A window on Xvfb, hidden after its first frames.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$tmp/display" 2> /dev/null &
xvfb=$!
until grep -q . "$tmp/display" 2> /dev/null; do sleep 0.1; done
export DISPLAY=":$(head -n 1 "$tmp/display")"
SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy TORMEL_PRESENTS="$tmp/hidden" TORMEL_T0_NS=0 \
    LD_PRELOAD="$tmp/presents.so" \
    /usr/bin/time -f '%U %S %e' -o "$tmp/hidden.time" timeout -s INT "$secs" "$bin" -w --no-sound 2> /dev/null &
run=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^SDL tormel$')
until [ "$(grep -c present "$tmp/hidden" 2> /dev/null)" -ge 3 ]; do sleep 0.05; done
xdotool windowunmap "$window"
hid=$(($(date +%s%N) / 1000000 + 500))  # half a second for the program to see it
wait "$run" || true
echo "window on Xvfb, hidden, $secs s: CPU $(cpu "$tmp/hidden.time"); $(frames "$tmp/hidden"), of them" \
     "$(awk -v from="$hid" '$1 == "present" && $2 >= from' "$tmp/hidden" | wc -l) while hidden"
unset DISPLAY

# 3. Start to first frame. Stopped after a second rather than watched for:
# a loop that polls would take the CPU the start-up needs.
for i in 1 2 3 4 5 6 7 8 9 10; do
    rm -f "$tmp/first"
    t0=$(date +%s%N)
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy TORMEL_PRESENTS="$tmp/first" TORMEL_T0_NS="$t0" \
        LD_PRELOAD="$tmp/presents.so" timeout -s INT 1 "$bin" -w 2> /dev/null || true
    awk '$1 == "present" { print $2; exit }' "$tmp/first" >> "$tmp/firsts"
    awk '$1 == "mark" && $2 == "audio" { print $3; exit }' "$tmp/first" >> "$tmp/audio"
    awk '$1 == "mark" && $2 == "videomode" { print $3; exit }' "$tmp/first" >> "$tmp/video"
done
echo "first frame: $(median < "$tmp/firsts"); the sound device open at $(median < "$tmp/audio")," \
     "the window at $(median < "$tmp/video")"
