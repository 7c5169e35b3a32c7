#!/usr/bin/env bash
# Drop benchmark of the desktop program as a person meets it: the real
# Quillon.exe under Wine and Xvfb, folders dropped on its list through the
# X11 drag-and-drop protocol (tests/app/xdnd_drop.py), rows counted from
# outside the process (row_watch), peak memory from /proc. Reports:
#   - 1,000 photos of 2400 x 1600 with the default settings (goal <= 3 s);
#   - 10,000 empty files with Preprocessing 0 (goal <= 3 s);
#   - peak memory after 500 and 5,000 photos with thumbnails shown and 200
#     rows stepped through (goal <= 250 MB, and flat: 5,000 within 1.3x of 500);
#   - a row's thumbnail on the screen, made from the file and from the cache
#     (goals 0.3 s and 0.05 s);
# and beside the first two the console companion on the same folders. It has
# no run that stops after the intake, so what is timed is the whole run from
# start to exit: the intake (header probing for the photos), then a build
# that stores the JPEG files as they are (JpgNoRecompression 1) into a PDF on
# a memory file system, deleted afterwards (the empty files are skipped there);
# then the in-process drop of the Windows test program (where the time goes).
# Not a timed test. Usage: bench/desktop_drop.sh (builds what it needs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
convert=/usr/bin/convert
build=out/$QUILLON_WINE_ARCH
cmake --preset "$QUILLON_WINE_ARCH" >/dev/null
cmake --build --preset "$QUILLON_WINE_ARCH" --target Quillon quillon-cli row_watch wineprime wintests_filelist >/dev/null

corpus=$root/out/bench-corpus
files=$corpus/ten-thousand
if [ ! -f "$files/file-09999.jpg" ]; then
  mkdir -p "$files"
  (cd "$files" && for i in $(seq -f %05g 0 9999); do : >"file-$i.jpg"; done)
fi
# Camera-sized photos. Every file of a folder is a link to one photo (the
# program reads each as a file of its own; the disk holds one).
photo=$corpus/photo-2400x1600.jpg
[ -f "$photo" ] || "$convert" -size 2400x1600 -seed 3 plasma:fractal -quality 90 "$photo"
photo_folder() {  # photo_folder NAME COUNT
  local dir=$corpus/$1
  if [ ! -f "$dir/photo-$(printf %05d "$2").jpg" ]; then
    mkdir -p "$dir"
    for i in $(seq -f %05g 1 "$2"); do ln -f "$photo" "$dir/photo-$i.jpg"; done
  fi
  echo "$dir"
}
photos1000=$(photo_folder photos-1000 1000)
photos500=$(photo_folder photos-500 500)
photos5000=$(photo_folder photos-5000 5000)
# Ten different photos: a thumbnail that changes can be seen to change.
distinct=$corpus/photos-distinct
[ -f "$distinct/photo-10.jpg" ] || { mkdir -p "$distinct"; for i in $(seq -w 1 10); do
  "$convert" -size 2400x1600 -seed "$i" plasma:fractal -quality 90 "$distinct/photo-$i.jpg"; done; }

title="Quillon 1.0.52"
work=$(mktemp -d /tmp/quillon-drop-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cat >"$work/drive.sh" <<'DRIVE'
set -uo pipefail
root=$1 build=$2 title=$3 work=$4
shift 4
wineserver -p
"$QUILLON_WINE" "$build/tests/wineprime.exe" </dev/null >/dev/null 2>&1
# (Its lines end in CR LF: the CR is taken off where they are read, since a
# filter in between would hold them back.)
watch() { "$QUILLON_WINE" "$build/tests/row_watch.exe" "$title" "$@" </dev/null 2>/dev/null; }
. "$root/bench/desktop_common.sh"
# drop NAME FOLDER ROWS SETTINGS [STEPS]: starts a private copy of the
# program, drops the folder, waits for every row; with STEPS, steps through
# that many rows (Down key) with the thumbnail shown. Prints the time and
# the program's peak memory.
drop() {
  local name=$1 folder=$2 rows=$3 extra=$4 steps=${5:-0}
  local app=$work/app-$name
  program_copy "$app" Quillon.exe "$extra"
  "$QUILLON_WINE" "$app/Quillon.exe" </dev/null >/dev/null 2>&1 &
  local app_pid=$!
  coproc WATCH { watch "$rows" 600; }
  local line
  read -r line <&"${WATCH[0]}"
  local main
  main=$(main_window)
  /usr/bin/python3 "$root/tests/app/xdnd_drop.py" "$main" 300 240 "$folder" || echo "$name: drop refused"
  read -r line <&"${WATCH[0]}"
  line=${line%$'\r'}
  local pid
  pid=$(pgrep -f "$app/Quillon.exe" | head -1)
  if [ "$steps" -gt 0 ]; then
    xdotool mousemove 200 150 click 1
    for _ in $(seq "$steps"); do xdotool key Down; sleep 0.05; done
    sleep 2
  fi
  local peak
  peak=$(awk '/VmHWM/{printf "%.0f", $2 / 1024}' "/proc/$pid/status" 2>/dev/null)
  echo "$name: $line, peak memory ${peak} MB"
  if [ "$name" = thumbnails ]; then
    xdotool mousemove 200 150 click 1
    sleep 2
    echo "thumbnail made from the file (End): $(watch --key 0x23 | tr -d '\r')"
    sleep 1
    echo "thumbnail from the cache (Home): $(watch --key 0x24 | tr -d '\r')"
  fi
  kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  sleep 1
  wineserver -p
}
# cli NAME FOLDER [KEY=VALUE]...: the console companion on the folder with
# the same settings file; its PDF goes to a memory file system and is
# deleted. Prints the time from start to exit and the pages written.
cli() {
  local name=$1 folder=$2
  shift 2
  local app=$work/cli-$name sets=() s
  program_copy "$app" quillon-cli.exe
  for s in "$@"; do sets+=(--set "$s"); done
  local pdf_dir
  pdf_dir=$(mktemp -d /dev/shm/quillon-cli-bench.XXXXXX 2>/dev/null || mktemp -d "$root/out/quillon-cli-bench.XXXXXX")
  local start end rc=0 pages
  start=$(date +%s.%N)
  "$QUILLON_WINE" "$app/quillon-cli.exe" "${sets[@]}" --quiet "$(winpath "$pdf_dir")\\bench.pdf" "$(winpath "$folder")" \
    </dev/null >/dev/null 2>&1 || rc=$?
  end=$(date +%s.%N)
  pages=$(pdfinfo "$pdf_dir/bench.pdf" 2>/dev/null | awk '/^Pages:/{print $2}')
  rm -rf "$pdf_dir"
  printf '%s, console companion (intake and build): %.1f s, %s pages, exit status %s\n' \
    "$name" "$(echo "$end - $start" | bc)" "${pages:-no}" "$rc"
}
"$@"
DRIVE
drive() { xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$root" "$build" "$title" "$work" "$@"; }
run() { drive drop "$@"; }

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
echo "real program, XDND drop, rows counted from outside:"
run photos-1000 "$photos1000" 1000 ''
drive cli photos-1000 "$photos1000" JpgNoRecompression=1
run empty-10000 "$files" 10000 'Preprocessing = 0\r\n'
drive cli empty-10000 "$files" Preprocessing=0 JpgNoRecompression=1
run photos-500-thumbs "$photos500" 500 'ShowThumbs = 1\r\n' 200
run photos-5000-thumbs "$photos5000" 5000 'ShowThumbs = 1\r\n' 200
run thumbnails "$distinct" 10 'ShowThumbs = 1\r\n'
wineserver -k 2>/dev/null || true

log=$work/in-process.log
export QUILLON_BENCH_FILES QUILLON_BENCH_PHOTOS
winpath() { local p; p=$(cd "$1" && pwd); printf 'Z:%s' "${p//\//\\}"; }
QUILLON_BENCH_FILES=$(winpath "$files")
QUILLON_BENCH_PHOTOS=$(winpath "$distinct")
# Wine's background processes inherit the output of whichever program starts
# them: they are started first, writing nowhere, so that nothing waits on them.
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  "$QUILLON_WINE" '"$build"'/tests/wineprime.exe </dev/null >/dev/null 2>&1
  "$QUILLON_WINE" '"$build"'/tests/wintests_filelist.exe --gtest_also_run_disabled_tests \
      --gtest_filter="*DropBench*" </dev/null >'"$log"' 2>&1
  wineserver -k'
echo "in-process (the Windows test program):"
grep -E "^(drop|thumbnail per file)|FAILED|SKIPPED" "$log"
