#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages that are missing for building and playing,
# or with --tests for the tests and benchmarks as well.
#   scripts/setup.sh          to build and play
#   scripts/setup.sh --tests  also GoogleTest, Google Benchmark and ffmpeg
#                             (for video captures)
set -e
packages="build-essential cmake pkg-config libsdl1.2-compat-dev libxmp-dev libpng-dev"
[ "$1" = "--tests" ] && packages="$packages libgtest-dev libbenchmark-dev ffmpeg"
exec "$(dirname "$0")/need.sh" $packages
