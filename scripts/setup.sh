#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the Debian packages the build and the tests need, if any is missing.
#   scripts/setup.sh          to build and play
#   scripts/setup.sh --tests  also what the tests use (ffmpeg, for video captures)
set -e
packages="build-essential cmake pkg-config libsdl1.2-compat-dev libxmp-dev libpng-dev libgtest-dev libbenchmark-dev"
[ "$1" = "--tests" ] && packages="$packages ffmpeg"
exec "$(dirname "$0")/need.sh" $packages
