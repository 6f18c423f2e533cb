#!/usr/bin/env bash
# What `cmake --install` and `make deb` deliver: the program, its desktop
# entry, icons and AppStream data (valid, where the validators are installed),
# and a package that depends on what the program needs at run time.
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
      usr/share/icons/hicolor/scalable/apps/org.rz90.RZ90.svg)
for f in "${need[@]}"; do
  [ -e "$tmp/$f" ] || { echo "not installed: $f"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp/usr/share/applications/org.rz90.RZ90.desktop"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tmp/usr/share/metainfo/org.rz90.RZ90.metainfo.xml" >/dev/null
fi
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
echo "packaging ok: $(basename "$deb"), $(du -k "$deb" | cut -f1) kB; Depends: $depends"
