#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that are missing for building and playing,
# or with --tests for the tests, benchmarks and release checks as well.
#   scripts/setup.sh          to build and play
#   scripts/setup.sh --tests  also GoogleTest, Google Benchmark, ffmpeg (video
#                             captures), Xvfb and xdotool (the live player on a
#                             private X server, steered by keys), and help2man,
#                             desktop-file-utils, appstream, groff, dpkg-dev,
#                             file and lintian (the man page, the installed
#                             tree and the package)
set -e
packages="build-essential cmake pkg-config libsdl1.2-compat-dev libxmp-dev libpng-dev libdeflate-dev"
[ "$1" = "--tests" ] && packages="$packages libgtest-dev libbenchmark-dev ffmpeg xvfb xdotool
    help2man desktop-file-utils appstream groff-base dpkg-dev file lintian"
exec "$(dirname "$0")/need.sh" $packages
