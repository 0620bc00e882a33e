#!/bin/sh
# SPDX-License-Identifier: MIT
# Times each kind of capture of the whole demo (mp4, mkv, a frames folder)
# and prints its real-time factor, then the quality of the mp4's frames
# against the PNG frames of the same capture: PSNR and SSIM in RGB, the
# video decoded with each chroma sample on its own 2 x 2 block, as it was
# made. Given a second binary (an older build), runs the two in turn, kind
# by kind, so that both see the same load on a shared machine.
#   scripts/capturebench.sh [tormel [older-tormel]] [rounds]
set -eu
new=${1:-build/tormel}
old=${2:-}
rounds=${3:-1}
command -v ffmpeg >/dev/null || { echo "capturebench: needs ffmpeg (apt install ffmpeg)" >&2; exit 1; }
new=$(realpath "$new")
[ -n "$old" ] && old=$(realpath "$old")
work=$(mktemp -d "${TMPDIR:-/tmp}/capturebench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# The demo's length in seconds, from the frames of the folder capture
# (made first in each round).
length() { echo "scale=3; $(ls "$1" | grep -c '^frame_') / 60" | bc; }

# run LABEL BINARY KIND: one capture, its wall time on standard output.
run() {
    dir="$work/$1-$3"
    rm -rf "$dir" && mkdir -p "$dir"
    case $3 in folder) out=f/ ;; *) out=demo.$3 ;; esac
    start=$(date +%s.%N)
    (cd "$dir" && "$2" --record "$out" >/dev/null 2>"$dir.log") || { cat "$dir.log" >&2; exit 1; }
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

printf '%-6s %-7s %9s %9s %8s\n' build kind seconds realtime MB
for round in $(seq "$rounds"); do
    for kind in folder mp4 mkv; do
        for label in new old; do
            if [ $label = new ]; then bin=$new; elif [ -n "$old" ]; then bin=$old; else continue; fi
            secs=$(run $label "$bin" $kind)
            demo=$(length "$work/$label-folder/f")
            mb=$(du -sm "$work/$label-$kind" | cut -f1)
            printf '%-6s %-7s %9.2f %8.1fx %8s\n' $label $kind "$secs" "$(echo "$demo / $secs" | bc -l)" "$mb"
        done
    done
done

for label in new old; do
    [ $label = old ] && [ -z "$old" ] && continue
    q=$(ffmpeg -hide_banner -nostdin -i "$work/$label-mp4/demo.mp4" -framerate 60 -i "$work/$label-folder/f/frame_%06d.png" \
        -lavfi "[0]scale=flags=neighbor+accurate_rnd+full_chroma_int,format=gbrp,split[a][b];[1]scale=iw*2:ih*2:flags=neighbor,format=gbrp,split[c][d];[a][c]psnr;[b][d]ssim" \
        -f null - 2>&1)
    psnr=$(echo "$q" | grep -o 'average:[0-9.inf]*' | tail -1 | cut -d: -f2)
    ssim=$(echo "$q" | grep -o 'All:[0-9.]*' | tail -1 | cut -d: -f2)
    echo "$label mp4 against its PNG frames: PSNR $psnr dB, SSIM $ssim (RGB)"
done
