#!/usr/bin/env bash
# Makes the PNG icons of the plugin folder from their SVG sources in plugin/images/, where the
# host takes PNG only (the plugin's and the category's icons, each also at twice the size). The
# PNGs are committed, so no build needs the converter; run this after changing a source.
set -euo pipefail
cd "$(dirname "$0")/../plugin/images"
../../scripts/install-deps.sh librsvg2-bin
for size in plugin:288 category:28; do
    name=${size%%:*} pixels=${size##*:}
    rsvg-convert -w "$pixels" -h "$pixels" -o "$name.png" "$name.svg"
    rsvg-convert -w $((pixels * 2)) -h $((pixels * 2)) -o "$name@2x.png" "$name.svg"
done
ls -l ./*.png
