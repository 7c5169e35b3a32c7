#!/usr/bin/env bash
# Builds the settings-file fuzzer with clang (libFuzzer, AddressSanitizer,
# UBSan) and runs it. Usage: run_fuzzer.sh [seconds]   (default 60)
# The corpus grows in out/fuzz/settings-corpus; crashes land in out/fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
seconds=${1:-60}
out="$root/out/fuzz"
mkdir -p "$out/settings-corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" \
  "$root/tests/settings/fuzz/settings_fuzzer.cpp" \
  "$root/src/settings/settings_file.cpp" \
  "$root/src/platform/text.cpp" \
  "$root/src/platform/file_posix.cpp" \
  "$root/src/platform/file_access_posix.cpp" \
  "$root/src/platform/display_posix.cpp" \
  -o "$out/settings_fuzzer"

# Seeds: a saved file with every conditional key present, and a Latin-1 file.
printf '\xEF\xBB\xBF\r\n[PDF creation]\r\nJpgCompression = 1\r\nJpgQuality = 8\r\nDocAuthor = Ann\r\nSaveAuthor = 1\r\n[Thumbnail]\r\nThumbSize = 2\r\n[General]\r\nRememberWinPos = 1\r\nX = 10\r\nY = 10\r\nW = 800\r\nH = 600\r\nLastDirectory = /\r\n' \
  > "$out/settings-corpus/seed-utf8.ini"
printf '[PDF creation]\nDocTitle = R\xE9sum\xE9\nSaveTitle = 1\nHeaderFontSize = 20\n' > "$out/settings-corpus/seed-latin1.ini"

# Every group and key name, so that mutations reach the lookups quickly.
{
  for word in "[PDF creation]" "[Thumbnail]" "[General]" " = " "\\xEF\\xBB\\xBF" \
      JpgCompression JpgQuality ImageScaling ResizeOnlyIfWider PaperOrientation PaperFormat PdfStartup \
      EnlargeToFit KeepAspect DisplayHeader HeaderFontSize HeaderDisplayWhat HeaderDisplayWhere \
      HeaderDisplayAlign DocAuthor DocTitle SaveAuthor SaveTitle ThumbLocked ThumbSide ThumbSize ThumbColor \
      StayOnTop RememberWinPos ShowThumbs X Y W H RememberLastDirectory SaveSameDirAsFiles LastDirectory \
      ClearBeforeDrop ShowOptions ShowFullPath SortAfterDrop OpenPdf OpenDir Confirmations MemoryLoad \
      ShowSizeCondensed SortIncludingPath Preprocessing DocTitleFromFileName DeleteLogIfSuccessful \
      EnableSubFolders JpgNoRecompression AutoRotate TiffAllPages; do
    printf '"%s"\n' "$word"
  done
} > "$out/settings.dict"

cd "$out"
./settings_fuzzer -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -dict=settings.dict -print_final_stats=1 settings-corpus
