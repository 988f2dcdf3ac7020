#!/usr/bin/env bash
# Checks the Debian package that "make package" built in BUILD: it holds the programs and the
# desktop files, its desktop entry and metainfo validate, and its pagellan-cli (unpacked into a
# temporary root) reads the demo package.
set -euo pipefail
BUILD=${1:-build}
ROOT_DIR=$(cd "$(dirname "$0")/.." && pwd)
deb=$(ls -t "$BUILD"/pagellan_*.deb | head -n 1)
echo "check-package: $deb"

contents=$(dpkg-deb --contents "$deb")
for f in usr/bin/pagellan usr/bin/pagellan-cli usr/bin/pagellan-cli-settings usr/bin/pcl2pdf usr/bin/libPagellanScan.so \
         usr/share/applications/Harlowen.Document.desktop \
         usr/share/mime/packages/Harlowen.Document.xml \
         usr/share/metainfo/com.harlowen.Pagellan.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/pagellan.svg \
         usr/share/icons/hicolor/48x48/apps/pagellan.png \
         usr/share/icons/hicolor/256x256/apps/pagellan.png; do
  grep -q " \./$f\$" <<<"$contents" || { echo "check-package: $f missing" >&2; exit 1; }
done
dpkg-deb --field "$deb" Depends | grep -q "xdg-utils" || { echo "check-package: Depends lacks xdg-utils" >&2; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/Harlowen.Document.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.harlowen.Pagellan.metainfo.xml"
for size in 48 256; do
  file "$root/usr/share/icons/hicolor/${size}x${size}/apps/pagellan.png" | grep -q "${size} x ${size}" \
    || { echo "check-package: the ${size} px icon has another size" >&2; exit 1; }
done
"$root/usr/bin/pagellan-cli" info "$ROOT_DIR/samples/demo.qdx" | grep -q . \
  || { echo "check-package: the packaged pagellan-cli did not read the demo package" >&2; exit 1; }
echo "check-package: ok"
