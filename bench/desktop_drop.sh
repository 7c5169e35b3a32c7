#!/usr/bin/env bash
# Drop benchmark of the desktop program under Wine: a folder of 10,000 small
# files dropped with Preprocessing 0 (goal: the list filled in under 3 s),
# and a folder of photos dropped with Preprocessing 1 (files per second, and
# where the time goes). Uses the photos of bench/cli_speed.sh when they are
# there (out/bench-corpus/photos), else makes 40 of the same size.
# Usage: bench/desktop_drop.sh   (builds the Windows tests first if needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
convert=/usr/bin/convert
build=out/$QUILLON_WINE_ARCH
cmake --preset "$QUILLON_WINE_ARCH" >/dev/null
cmake --build --preset "$QUILLON_WINE_ARCH" --target wintests_filelist >/dev/null

corpus=out/bench-corpus
files=$corpus/ten-thousand
if [ ! -f "$files/file-09999.jpg" ]; then
  mkdir -p "$files"
  (cd "$files" && for i in $(seq -f %05g 0 9999); do : >"file-$i.jpg"; done)
fi
photos=$corpus/photos
if [ ! -f "$photos/photo-040.jpg" ]; then
  photos=$corpus/desktop-photos
  mkdir -p "$photos"
  [ -f "$photos/photo-040.jpg" ] || for i in $(seq -f %03g 1 40); do
    "$convert" -size 2400x1600 -seed "$i" plasma:fractal -quality 90 "$photos/photo-$i.jpg"
  done
fi
winpath() { local p; p=$(cd "$1" && pwd); printf 'Z:%s' "${p//\//\\}"; }
export QUILLON_BENCH_FILES QUILLON_BENCH_PHOTOS
QUILLON_BENCH_FILES=$(winpath "$files")
QUILLON_BENCH_PHOTOS=$(winpath "$photos")

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
log=$(mktemp /tmp/quillon-drop-bench.XXXXXX)
# Wine's background processes inherit the output of whichever program starts
# them: they are started first, writing nowhere, so that nothing waits on them.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  "$QUILLON_WINE" '"$build"'/tests/wineprime.exe </dev/null >/dev/null 2>&1
  "$QUILLON_WINE" '"$build"'/tests/wintests_filelist.exe --gtest_also_run_disabled_tests \
      --gtest_filter="*DropBench*" </dev/null >'"$log"' 2>&1
  wineserver -k'
grep -E "^(drop|per file)|FAILED|SKIPPED" "$log"
rm -f "$log"
