#!/usr/bin/env bash
# Makes the picture the thumbnail window tests show, and the same picture
# reduced to thumbnail size by ImageMagick: the window's pixels are compared
# with a reduction made by a tool other than the program. Run once after
# changing it and commit the results; the tests never run it.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/fixtures
mkdir -p "$out"
im=/usr/bin/convert   # /usr/local/bin/convert is not ImageMagick on every machine

# 960 x 240: a colour ramp with a dark disc and a light bar, in smooth shapes
# so that the two reductions may differ only slightly along the edges.
"$im" -size 240x960 gradient:'#F0C020'-'#2040C0' -rotate -90 \
      -fill '#302018' -draw 'circle 240,120 240,40' \
      -fill '#E8F0F8' -draw 'rectangle 520,60 860,180' \
      -strip -define png:color-type=2 "PNG24:$out/thumb_source.png"
"$im" "$out/thumb_source.png" -resize 480x120 -strip "PNG24:$out/thumb_reduced.png"
