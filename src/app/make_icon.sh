#!/usr/bin/env bash
# Draws the program icon (a sheet of paper with a folded corner on a blue
# tile) at 16, 32 and 48 pixels and writes quillon.ico. Run once by hand after
# changing the design; the .ico is committed. Needs ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$convert" -size 256x256 xc:none \
  -fill '#1f4f9a' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#fbfbf5' -draw 'polygon 64,36 160,36 200,76 200,220 64,220' \
  -fill '#b9c6da' -draw 'polygon 160,36 200,76 160,76' \
  -fill '#7a8caa' -draw 'rectangle 88,104 176,116' -draw 'rectangle 88,132 176,144' \
  -draw 'rectangle 88,160 176,172' -draw 'rectangle 88,188 150,200' \
  "$tmp/master.png"
for size in 16 32 48; do
  "$convert" "$tmp/master.png" -resize ${size}x${size} "$tmp/icon$size.png"
done
"$convert" "$tmp/icon16.png" "$tmp/icon32.png" "$tmp/icon48.png" quillon.ico
