#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes the Debian package as cpack -G DEB does in the build folder (into a
# scratch folder here), unpacks it without installing it, and checks it: its
# name, fields and files, that the unpacked program runs and draws the same
# frame as the build's, and that lintian finds no error.
#   tests/install/package.sh BUILD-DIR SOURCE-DIR
set -eu
build=$1
src=$2
. "$src/tests/install/common.sh"
need dpkg-deb dpkg
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need help2man help2man
need file file

v=$(version "$build/tormel")
arch=$(dpkg --print-architecture)
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/out" > "$tmp/cpack.log" 2>&1 ||
    { cat "$tmp/cpack.log"; fail "cpack -G DEB failed"; }
deb="$tmp/out/tormel_${v}_$arch.deb"
[ -f "$deb" ] || { ls "$tmp/out"; fail "no $(basename "$deb")"; }

field() {
    dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = tormel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$v" ] || fail "Version: $(field Version), the program is $v"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = games ] || fail "Section: $(field Section)"
[ "$(field Recommends)" = ffmpeg ] || fail "Recommends: $(field Recommends)"
# Found by dpkg-shlibdeps from the libraries the program links.
for lib in libc6 libsdl1.2 libxmp4 libpng16-16 libstdc++6; do
    field Depends | grep -q "$lib" || fail "Depends names no $lib: $(field Depends)"
done
field Description | sed -n 2p | grep -q . || fail "the description has no long text"

dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v '/$' | sort > "$tmp/files"
cat > "$tmp/expected" <<END
./usr/games/tormel
./usr/share/applications/tormel.desktop
./usr/share/doc/tormel/changelog.gz
./usr/share/doc/tormel/copyright
./usr/share/doc/tormel/formats.md
./usr/share/icons/hicolor/128x128/apps/tormel.png
./usr/share/icons/hicolor/256x256/apps/tormel.png
./usr/share/icons/hicolor/48x48/apps/tormel.png
./usr/share/man/man6/tormel.6.gz
./usr/share/metainfo/io.github.tormel.tormel.metainfo.xml
END
diff "$tmp/expected" "$tmp/files" || fail "the package's files differ from the expected ones (< expected, > packed)"
dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -qx './usr/share/tormel/' || fail "no data folder /usr/share/tormel/"

dpkg-deb -x "$deb" "$tmp/unpacked"
tormel="$tmp/unpacked/usr/games/tormel"
[ "$(version "$tormel")" = "$v" ] || fail "the unpacked program's --version: $("$tormel" --version)"
headless "$tormel" --shot 16 "$tmp/packed.png" || fail "the unpacked program's --shot failed"
headless "$build/tormel" --shot 16 "$tmp/built.png" || fail "the build's --shot failed"
file "$tmp/packed.png" | grep -q "PNG image data, 320 x 240," || fail "--shot made no 320 x 240 PNG"
cmp -s "$tmp/packed.png" "$tmp/built.png" || fail "the unpacked program draws another frame than the build's"

# lintian says so when it runs as root; that is no finding.
lintian --fail-on error "$deb" > "$tmp/lintian.log" 2>&1 || { cat "$tmp/lintian.log"; fail "lintian found errors"; }
grep -v '^running with root privileges' "$tmp/lintian.log" || true
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, $(wc -l < "$tmp/files") files, lintian: no errors"
