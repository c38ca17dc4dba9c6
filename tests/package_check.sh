#!/usr/bin/env bash
# Builds the Debian package and checks what it holds and what it needs.
set -euo pipefail
build=$1
source_dir=$2
cd "$build"
rm -f vexmo-at_*.deb
cpack -G DEB >/dev/null
deb=$(ls vexmo-at_*.deb)

fail() { echo "FAIL: $*"; exit 1; }
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/vexmo-at ./usr/bin/vexmo-modem-sim ./usr/libexec/vexmo-at/vexmo-modemmanager-ports \
         ./usr/share/man/man1/vexmo-at.1.gz ./usr/share/man/man1/vexmo-modem-sim.1.gz \
         ./usr/share/doc/vexmo-at/copyright ./usr/share/doc/vexmo-at/changelog.gz \
         ./usr/share/applications/org.vexmo_at.VexmoAt.desktop \
         ./usr/share/metainfo/org.vexmo_at.VexmoAt.metainfo.xml \
         ./usr/share/icons/hicolor/256x256/apps/vexmo-at.png \
         ./usr/share/icons/hicolor/48x48/apps/vexmo-at.png; do
    grep -qx -- "$f" <<<"$contents" || fail "$f missing from $deb"
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6serialport6 libqt6widgets6 fonts-liberation qt6-qpa-plugins; do
    grep -q "$d" <<<"$depends" || fail "Depends lacks $d: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for r in fonts-freefont-ttf qt6-wayland; do
    grep -q "$r" <<<"$recommends" || fail "Recommends lacks $r: $recommends"
done
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong architecture"

# cmake --install puts the same manual pages in place.
staged=$(mktemp -d)
trap 'rm -rf "$staged"' EXIT
cmake --install . --prefix "$staged" >/dev/null
for page in vexmo-at vexmo-modem-sim; do
    [ -f "$staged/share/man/man1/$page.1.gz" ] || fail "cmake --install put no manual page for $page"
done

# Lintian: no error and no warning (its notes for information may stay).
tags=$(lintian "$deb" 2>/dev/null | grep -E '^[EW]: ' || true)
[ -z "$tags" ] || fail "lintian: $tags"

desktop-file-validate "$source_dir/packaging/org.vexmo_at.VexmoAt.desktop"
appstreamcli validate --no-net "$source_dir/packaging/org.vexmo_at.VexmoAt.metainfo.xml" >/dev/null
echo "$deb: contents, dependencies, lintian, desktop entry and metainfo are in order"
