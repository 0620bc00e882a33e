#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the desktop icons in dist/icons from one frame of the demo: music
# time 16 (2:02.9), the saucer of the relief scene, drawn by tormel --shot
# with its built-in data, cut square round the saucer and scaled by ffmpeg.
# Every frame is the same on every machine, so the icons only change if
# this script does (or ffmpeg's scaler).
#   dist/icons.sh [tormel-binary]          (default build/tormel)
set -e
cd "$(dirname "$0")/.."
tormel=${1:-build/tormel}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
case $tormel in /*) ;; *) tormel="$(pwd)/$tormel" ;; esac
# The built-in data only: no data files in the working directory or in
# the data folders of this user or this machine.
(cd "$tmp" && XDG_DATA_HOME="$tmp" XDG_DATA_DIRS="$tmp" "$tormel" --shot 16 frame.png)
for size in 48 128 256; do
    ffmpeg -v error -y -i "$tmp/frame.png" \
           -vf "crop=186:186:52:28,scale=$size:$size:flags=lanczos" -pix_fmt rgb24 \
           "dist/icons/${size}x$size.png"
done
ls -l dist/icons
