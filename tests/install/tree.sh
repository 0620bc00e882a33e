#!/bin/sh
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix, as cmake --install does for a
# user, and checks what lands there: exactly the expected files, a desktop
# entry and metainfo that validate, a man page that renders without a
# warning, icons of their sizes, one version everywhere, and a program that
# runs from there.
#   tests/install/tree.sh BUILD-DIR SOURCE-DIR
set -eu
build=$1
src=$2
. "$src/tests/install/common.sh"
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need groff groff-base
need help2man help2man
need file file

cmake --install "$build" --prefix "$tmp/usr" > "$tmp/install.log" 2>&1 ||
    { cat "$tmp/install.log"; fail "cmake --install failed"; }
cd "$tmp/usr"

# Files, and folders that are empty (marked with a trailing /).
find . \( -type f -o -type d -empty \) \( -type d -printf '%P/\n' -o -printf '%P\n' \) | sort > "$tmp/found"
cat > "$tmp/expected" <<END
bin/tormel
share/applications/tormel.desktop
share/doc/tormel/changelog
share/doc/tormel/copyright
share/doc/tormel/formats.md
share/icons/hicolor/128x128/apps/tormel.png
share/icons/hicolor/256x256/apps/tormel.png
share/icons/hicolor/48x48/apps/tormel.png
share/man/man6/tormel.6
share/metainfo/io.github.tormel.tormel.metainfo.xml
share/tormel/
END
diff "$tmp/expected" "$tmp/found" || fail "the installed tree differs from the expected one (< expected, > installed)"

[ -x bin/tormel ] || fail "bin/tormel is not executable"
v=$(version bin/tormel)
[ -n "$v" ] || fail "bin/tormel --version does not say \"tormel VERSION\""

out=$(desktop-file-validate share/applications/tormel.desktop 2>&1) || fail "desktop entry: $out"
[ -z "$out" ] || fail "desktop entry: $out"
grep -qx 'Icon=tormel' share/applications/tormel.desktop || fail "the desktop entry's icon is not \"tormel\""
appstreamcli validate --no-net share/metainfo/io.github.tormel.tormel.metainfo.xml > "$tmp/as.log" 2>&1 ||
    { cat "$tmp/as.log"; fail "the metainfo does not validate"; }
grep -q '<launchable type="desktop-id">tormel.desktop</launchable>' share/metainfo/*.xml ||
    fail "the metainfo does not launch tormel.desktop"

# A new version needs its entry in the release notes of both.
mv=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' share/metainfo/*.xml | head -n 1)
[ "$mv" = "$v" ] || fail "the metainfo's latest release is \"$mv\", the program is $v"
cv=$(sed -n '1s/^tormel (\([^)]*\)).*/\1/p' share/doc/tormel/changelog)
[ "$cv" = "$v" ] || fail "the changelog's latest entry is \"$cv\", the program is $v"

out=$(groff -ww -z -man share/man/man6/tormel.6 2>&1)
[ -z "$out" ] || fail "man page warnings: $out"
for s in NAME SYNOPSIS DESCRIPTION KEYS TIMELINE "EXIT STATUS" ENVIRONMENT FILES EXAMPLES; do
    grep -q "^\.SH \"*$s\"*\$" share/man/man6/tormel.6 || fail "the man page has no $s section"
done

for size in 48 128 256; do
    file share/icons/hicolor/${size}x$size/apps/tormel.png | grep -q "PNG image data, $size x $size," ||
        fail "the ${size}x$size icon is not a $size x $size PNG"
done

# The Debian copyright file holds LICENSE word for word.
sed -n '/^License:/,$p' share/doc/tormel/copyright | tail -n +2 | sed 's/^ //; s/^\.$//' > "$tmp/licence"
diff "$src/LICENSE" "$tmp/licence" || fail "the copyright file's licence differs from LICENSE (< LICENSE)"

echo "installed tree of tormel $v: $(wc -l < "$tmp/found") entries, all valid"
