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
# The transparent palette entry is red: it must not show, whatever its colour.
"$im" "${base[@]}" -transparent '#FF0000' -transparent-color '#FF0000' "$out/transparent-red.gif"
# The picture on a larger logical screen: GDI+ reports the screen's size.
"$im" "${base[@]}" -set page 60x50+10+5 "$out/offset.gif"
# BMP: 24 bits, 1 bit with a palette, and 32-bit bitfields.
"$im" "${base[@]}" "BMP3:$out/halves.bmp"
"$im" "${base[@]}" -type Palette -colors 2 "BMP3:$out/palette.bmp"
"$im" "${base[@]}" -alpha set "BMP:$out/bitfields.bmp"

# Hand-made bytes for shapes no encoder writes.
python3 - "$out" <<'PY'
import struct, sys
out = sys.argv[1]
# halves.gif without its global colour table, and its image without a local
# one: no colours at all, which crashes Wine's GIF decoder.
gif = open(out + "/halves.gif", "rb").read()
flags = gif[10]
table = 3 * 2 ** ((flags & 7) + 1) if flags & 0x80 else 0
open(out + "/no-colour-table.gif", "wb").write(gif[:10] + bytes([flags & 0x7F]) + gif[11:13] + gif[13 + table:])
# A run-length (8-bit) BMP, red left half and blue right half, whose runs
# skip pixels: ten pixels of rows 10-19 (a delta) and the top four rows (the
# end of the bitmap comes early). Skipped pixels are black.
runs = bytearray()
for row in range(26):
    if 10 <= row < 20:
        runs += bytes([5, 1, 0, 2, 10, 0, 5, 1, 20, 2, 0, 0])
    else:
        runs += bytes([20, 1, 20, 2, 0, 0])
runs += bytes([0, 1])
palette = bytes([0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0])  # black, red, blue (blue, green, red, 0)
offset = 14 + 40 + len(palette)
info = struct.pack("<IiiHHIIiiII", 40, 40, 30, 1, 8, 1, len(runs), 2835, 2835, 3, 0)
head = b"BM" + struct.pack("<IHHI", offset + len(runs), 0, 0, offset)
open(out + "/rle-skips.bmp", "wb").write(head + info + palette + bytes(runs))
PY
# TGA, which only WIC reads: plain, run-length, colour-mapped, and with alpha
# (left half transparent: it must come out black).
"$im" "${base[@]}" -compress None "$out/halves.tga"
"$im" "${base[@]}" -compress RLE "$out/rle.tga"
"$im" "${base[@]}" -type Palette -compress None "$out/colour-mapped.tga"
"$im" -size 20x30 xc:'#FF000000' -size 20x30 xc:'#0000FF' +append -strip -alpha set "$out/alpha.tga"
# Stored as the halves, tagged with EXIF orientation 6 (turn a quarter
# clockwise): upright it is 30 x 40, red above blue.
"$im" "${base[@]}" -orient RightTop "$out/turned.tif"
# A BMP with an alpha mask (32-bit bit fields, V5 header), written by hand:
# GDI+ drops its alpha, WIC keeps it. Left half red and transparent, right
# half blue.
python3 - "$out" <<'PY'
import struct, sys
rows = b"".join(struct.pack("<I", 0x00FF0000 if x < 20 else 0xFF0000FF) for x in range(40)) * 30
info = struct.pack("<IiiHHIIiiII", 124, 40, 30, 1, 32, 3, len(rows), 2835, 2835, 0, 0)
info += struct.pack("<5I", 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x73524742) + bytes(124 - 60)  # sRGB
head = b"BM" + struct.pack("<IHHI", 14 + 124 + len(rows), 0, 0, 14 + 124)
open(sys.argv[1] + "/bitfields-alpha.bmp", "wb").write(head + info + rows)
PY
# Five pages of different sizes and colours, as scanners write them.
"$im" -size 40x30 xc:'#FF0000' -size 20x50 xc:'#00FF00' -size 60x10 xc:'#0000FF' -size 30x30 xc:'#FFFF00' \
  -size 10x40 xc:'#FFFFFF' -strip -depth 8 -compress lzw "$out/pages.tif"
# TIFF files whose chain of pages loops or breaks off, and a run-length BMP
# without pixels (see the script).
python3 "$(dirname "$0")/make_broken_files.py" "$out"
