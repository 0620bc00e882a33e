#!/bin/sh
# Installs the Debian packages the build and the tests need, if any is missing.
#   scripts/setup.sh          to build and play
#   scripts/setup.sh --tests  also what the tests use (ffmpeg, for video captures)
set -e
packages="build-essential cmake pkg-config libsdl1.2-compat-dev libxmp-dev libpng-dev libgtest-dev libbenchmark-dev"
[ "$1" = "--tests" ] && packages="$packages ffmpeg"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $missing
