#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian packages that `cpack -G DEB` made: unpacks them into a
# fresh folder tree (dpkg -x, no installation) and fails when a file is not
# where the desktop, PATH, man and bash find it, when the desktop entry or
# the AppStream data do not validate, or when lintian reports an error or
# a warning.
#   tools/check-packages.sh DIR_WITH_DEBS
set -euo pipefail
debs=${1:?usage: check-packages.sh DIR_WITH_DEBS}
cli_deb=$(ls "$debs"/torvan-cli_*.deb)
gui_deb=$(ls "$debs"/torvan_*.deb)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$cli_deb" "$root"
dpkg -x "$gui_deb" "$root"

failed=0
fail() {
    echo "check-packages: $*" >&2
    failed=1
}
need() {
    for f in "$@"; do
        [ -f "$root/$f" ] || fail "missing: /$f"
    done
}

app=io.github.torvan.Torvan
need usr/bin/torvan-cli usr/bin/torvan \
    usr/share/man/man1/torvan-cli.1.gz usr/share/man/man1/torvan.1.gz \
    usr/share/bash-completion/completions/torvan-cli \
    usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/torvan.svg usr/share/torvan/samples/ibm.txt \
    usr/share/doc/torvan-cli/copyright usr/share/doc/torvan/copyright

# The desktop entry starts a program on PATH and names an icon of the theme.
entry=$root/usr/share/applications/$app.desktop
if [ -f "$entry" ]; then
    desktop-file-validate "$entry" || fail "the desktop entry does not validate"
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    [ -x "$root/usr/bin/$exec_program" ] || fail "Exec=$exec_program is not in /usr/bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    for size in 16x16 24x24 32x32 48x48 64x64 128x128 256x256; do
        need "usr/share/icons/hicolor/$size/apps/$icon.png"
    done
    [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon $icon.svg"
fi
metainfo=$root/usr/share/metainfo/$app.metainfo.xml
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" >/dev/null || fail "the AppStream data do not validate"
fi

# The programs run from where they landed, and the manual page is readable.
"$root/usr/bin/torvan-cli" --version | grep -q '^torvan-cli ' || fail "torvan-cli --version"
if [ -f "$root/usr/share/man/man1/torvan-cli.1.gz" ]; then
    warnings=$(man --warnings -l "$root/usr/share/man/man1/torvan-cli.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "torvan-cli.1: $warnings"
fi
dpkg-deb -f "$gui_deb" Depends | grep -q 'torvan-cli (= ' || fail "torvan does not depend on torvan-cli"
if dpkg-deb -c "$cli_deb" | grep -qi 'qt'; then
    fail "torvan-cli ships Qt files"
fi
if dpkg-deb -f "$cli_deb" Depends | grep -qi 'qt'; then
    fail "torvan-cli depends on Qt"
fi

lintian --fail-on error,warning "$cli_deb" "$gui_deb" || fail "lintian reports errors or warnings"

if [ "$failed" -ne 0 ]; then
    exit 1
fi
echo "check-packages: torvan-cli and torvan unpack with every file in place"
