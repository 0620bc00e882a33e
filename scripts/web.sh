#!/bin/sh
# SPDX-License-Identifier: MIT
# The web build: installs what is missing (Debian's emcc, the source of
# libxmp), builds libxmp and the page with emcc in build-web/, and leaves
# the static site in build-web/site/ (HTML, JavaScript, WebAssembly: all
# the browser loads). Serve that folder with any web server.
#   scripts/web.sh
set -e
cd "$(dirname "$0")/.."
top=$PWD/build-web
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

scripts/need.sh emscripten cmake dpkg-dev libxmp-dev
# Debian's emcc needs acorn from /usr/share/nodejs, where a node that is not
# Debian's own does not look.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

# libxmp from Debian's source package, the very version the native build
# links, so that both play the same music. No depackers or ProWizard: the
# page plays only its own module.
version=$(dpkg-query -W -f='${Version}' libxmp-dev)
upstream=${version#*:}
upstream=${upstream%-*}
xmp=$top/libxmp/libxmp-$upstream
if [ ! -f "$xmp/lib/libxmp.a" ]; then
    if ! apt-get source --print-uris "libxmp=$version" > /dev/null 2>&1; then
        . /etc/os-release
        echo "adding Debian's source packages for $VERSION_CODENAME to apt"
        $sudo tee /etc/apt/sources.list.d/debian-src.sources > /dev/null <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $VERSION_CODENAME $VERSION_CODENAME-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: $VERSION_CODENAME-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        $sudo apt-get update -q
    fi
    rm -rf "$top/libxmp"
    mkdir -p "$top/libxmp"
    # As root, apt would hand the download to its own user, who may not
    # write here.
    (cd "$top/libxmp" && apt-get source -q -o APT::Sandbox::User="$(id -un)" "libxmp=$version")
    (cd "$xmp" && emconfigure ./configure -q --host=wasm32-unknown-emscripten --enable-static --disable-shared \
                                          --disable-depackers --disable-prowizard CFLAGS=-O2 \
        && emmake make -s -j"$(nproc)")
fi

emcmake cmake -S web -B "$top/cmake" -DXMP_DIR="$xmp" -DSITE_DIR="$top/site" > "$top/configure.log"
cmake --build "$top/cmake" -j"$(nproc)"
echo "web: site in build-web/site/, $(du -cb "$top"/site/* | tail -1 | cut -f1) bytes: $(cd "$top/site" && ls | tr '\n' ' ')"
