# SPDX-License-Identifier: MIT
# Shared by the install and package tests: a scratch folder that goes away,
# a skip (status 77) where a tool is missing, and failing with a reason.

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# need COMMAND PACKAGE: skip the test if COMMAND is not installed.
need() {
    command -v "$1" > /dev/null && return
    echo "skipped: $1 is missing (apt install $2, or scripts/setup.sh --tests)"
    exit 77
}

fail() {
    echo "FAIL: $*"
    exit 1
}

# The first line of --version is "tormel VERSION".
version() {
    "$1" --version | sed -n '1s/^tormel //p'
}

# The data files only from the build: none in the working directory, none
# in the data folders of whoever runs the tests.
headless() {
    mkdir -p "$tmp/empty"
    (cd "$tmp/empty" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
     XDG_DATA_HOME="$tmp/empty" XDG_DATA_DIRS="$tmp/empty" "$@")
}
