#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the contact-sheet tool and renders docs/contact-sheet.png: the demo
# with its built-in data at 25 moments across the timeline, five a scene.
# Extra arguments go to the tool (--fps N). BUILD names the build folder.
set -e
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
cmake -S . -B "$build" >/dev/null
cmake --build "$build" --target contactsheet -j"$(nproc)"
mkdir -p docs
"$build/contactsheet" --out docs/contact-sheet.png "$@"
