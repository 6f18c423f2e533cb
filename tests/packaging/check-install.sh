#!/usr/bin/env bash
# What `cmake --install` and `make deb` deliver: the program, its desktop
# entry, icons and AppStream data (valid, where the validators are installed),
# a manual page that names what `rz90 --help` names, and a package that depends
# on what the program needs at run time and that lintian accepts, where it is
# installed (it is not among the build's packages: it pulls in some seventy).
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cmake --install "$build" --prefix "$tmp/usr" >/dev/null
need=(usr/bin/rz90
      usr/share/applications/org.rz90.RZ90.desktop
      usr/share/metainfo/org.rz90.RZ90.metainfo.xml
      usr/share/icons/hicolor/16x16/apps/org.rz90.RZ90.png
      usr/share/icons/hicolor/256x256/apps/org.rz90.RZ90.png
      usr/share/icons/hicolor/scalable/apps/org.rz90.RZ90.svg
      usr/share/man/man1/rz90.1.gz
      usr/share/doc/rz90/copyright
      usr/share/doc/rz90/changelog.Debian.gz)
for f in "${need[@]}"; do
  [ -e "$tmp/$f" ] || { echo "not installed: $f"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp/usr/share/applications/org.rz90.RZ90.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tmp/usr/share/metainfo/org.rz90.RZ90.metainfo.xml" >/dev/null
fi
# Resolved at start, relocations then read-only.
readelf -d "$tmp/usr/bin/rz90" | grep -q 'BIND_NOW\|FLAGS_1.*NOW' || { echo "rz90 is not linked with -z now"; exit 1; }
# The manual page names the same options, and as many exit codes, as the usage.
options() { grep -o -- '--[a-z][a-z-]*' | sort -u; }
man=$(zcat "$tmp/usr/share/man/man1/rz90.1.gz" | sed 's/\\-/-/g')
usage=$("$tmp/usr/bin/rz90" --help)
[ "$(options <<<"$usage")" = "$(options <<<"$man")" ] || { echo "the manual page and rz90 --help name other options"; exit 1; }
[ "$(grep -cE '^ +[0-9]+  ' <<<"$usage")" = "$(grep -c '^\.B [0-9]' <<<"$man")" ] \
  || { echo "the manual page and rz90 --help give other exit codes"; exit 1; }
for section in COMMANDS 'EXIT STATUS' FILES; do
  grep -q "^\.SH $section" <<<"$man" || { echo "the manual page has no $section"; exit 1; }
done
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >/dev/null
deb=$(ls "$tmp"/pkg/rz90_*.deb)
contents=$(dpkg-deb -c "$deb")
for f in "${need[@]}"; do
  grep -q " \./$f\$" <<<"$contents" || { echo "not in the package: $f"; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libcups2 libsqlite3-0 qt6-qpa-plugins fonts-ipafont-mincho fonts-ipafont-gothic; do
  grep -q "$d" <<<"$depends" || { echo "the package does not depend on $d: $depends"; exit 1; }
done
grep -q xdg-utils <<<"$(dpkg-deb -f "$deb" Recommends)" || { echo "the package does not recommend xdg-utils"; exit 1; }
grep -q pdf-viewer <<<"$(dpkg-deb -f "$deb" Suggests)" || { echo "the package suggests no PDF viewer"; exit 1; }
if command -v lintian >/dev/null; then
  found=$(lintian --fail-on error,warning -I "$deb" 2>&1) || { echo "lintian: $found"; exit 1; }
  # Of the information tags only the compiler's comment section may remain.
  found=$(grep -v -e binary-has-unneeded-section -e 'running with root' <<<"$found" || true)
  [ -z "$found" ] || { echo "lintian: $found"; exit 1; }
fi
echo "packaging ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) kB; Depends: $depends"
