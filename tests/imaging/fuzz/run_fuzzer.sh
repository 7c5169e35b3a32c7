#!/usr/bin/env bash
# Builds the image header fuzzer with clang (libFuzzer, AddressSanitizer,
# UBSan) and runs it. Usage: run_fuzzer.sh [seconds]   (default 60)
# The corpus grows in out/fuzz/header-corpus; crashes land in out/fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-60}
out="$root/out/fuzz"
mkdir -p "$out/header-corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" \
  "$root/tests/imaging/fuzz/header_fuzzer.cpp" \
  "$root/src/imaging/image_probe.cpp" "$root/src/imaging/image_probe_gif_bmp.cpp" \
  "$root/src/imaging/image_probe_tiff.cpp" \
  -o "$out/header_fuzzer"

# Seeds: the test fixtures (baseline, progressive, gray and CMYK JPEG; RGB,
# gray, palette, 16-bit and interlaced PNG; GIF, BMP, multi-page TIFF, and
# TIFF and BMP files broken in the ways the build must survive).
cp "$root"/tests/imaging/fixtures/*.{jpg,png,gif,bmp,tif} "$out/header-corpus/"

# Marker and chunk names, so that mutations reach every branch quickly.
{
  for word in '\xFF\xD8' '\xFF\xD9' '\xFF\xC0' '\xFF\xC1' '\xFF\xC2' '\xFF\xC4' '\xFF\xDA' '\xFF\xDB' \
      '\xFF\xDD' '\xFF\xE0' '\xFF\x00' '\xFF\xD0' '\x89PNG\x0D\x0A\x1A\x0A' IHDR PLTE IDAT IEND tRNS gAMA \
      iCCP tEXt pHYs '\xFF\xE1' 'Exif\x00\x00' 'II*\x00' 'MM\x00*' '\x12\x01\x03\x00' '\x01\x12\x00\x03' \
      GIF89a '\x21\xF9' '\x2C' '\x3B' BM 'II+\x00\x08\x00\x00\x00' 'MM\x00+\x00\x08\x00\x00'; do
    printf '"%s"\n' "$word"
  done
} > "$out/header.dict"

cd "$out"
./header_fuzzer -max_total_time="$seconds" -dict=header.dict -max_len=65536 header-corpus
