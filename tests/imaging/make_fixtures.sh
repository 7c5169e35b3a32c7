#!/usr/bin/env bash
# Makes the image files the preparation tests read that GDI+ cannot write
# itself (it writes only 8-bit colour JPEG and plain PNG). Run once after
# changing it and commit the results; the tests never run it.
# Every picture is 40 x 30: a red left half and a blue right half, which the
# tests check in the prepared output.
set -euo pipefail
out=$(cd "$(dirname "$0")" && pwd)/fixtures
mkdir -p "$out"
im=/usr/bin/convert   # /usr/local/bin/convert is not ImageMagick on every machine
base=(-size 20x30 xc:'#FF0000' -size 20x30 xc:'#0000FF' +append -strip)

"$im" "${base[@]}" -interlace Plane -quality 90 "$out/progressive.jpg"
"$im" "${base[@]}" -colorspace Gray -type Grayscale -quality 90 "$out/gray.jpg"
"$im" "${base[@]}" -colorspace CMYK -quality 90 "$out/cmyk.jpg"
"$im" "${base[@]}" -depth 16 "PNG48:$out/rgb16.png"
"$im" "${base[@]}" -type Palette "PNG8:$out/palette.png"
"$im" "${base[@]}" -colorspace Gray -depth 8 -define png:color-type=0 "PNG:$out/gray.png"
"$im" "${base[@]}" -interlace PNG "PNG24:$out/interlaced.png"
"$im" "${base[@]}" "$out/halves.gif"
# Left half transparent: it must come out black.
"$im" -size 20x30 xc:none -size 20x30 xc:'#0000FF' +append -strip "$out/transparent.gif"
# Five pages of different sizes and colours, as scanners write them.
"$im" -size 40x30 xc:'#FF0000' -size 20x50 xc:'#00FF00' -size 60x10 xc:'#0000FF' -size 30x30 xc:'#FFFF00' \
  -size 10x40 xc:'#FFFFFF' -strip -depth 8 -compress lzw "$out/pages.tif"
