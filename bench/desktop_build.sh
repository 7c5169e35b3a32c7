#!/usr/bin/env bash
# Build benchmark of the desktop program as a person meets it: the real
# Quillon.exe under Wine and Xvfb, a folder of photos dropped on its list
# through XDND (tests/app/xdnd_drop.py, rows counted by row_watch), "Build
# PDF" clicked, the name typed in the save dialog; timed from Enter in the
# dialog to the log's final report with no progress window left. Beside each
# the console companion on the same folder with the same settings file, from
# start to exit (its intake included), with and without its per-file progress
# lines. Reports:
#   - 1,000 photos stored as they are (JpgNoRecompression 1, Preprocessing 0):
#     goal: the window within 1.2x of the console companion;
#   - 240 photos with the default settings (re-encoded): goal within 1.1x;
#   - Cancel clicked during a 1,000-page build (defaults): time from the
#     click until the progress window is gone (goal 0.5 s), with two
#     screenshots of the progress window taken half a second apart before it
#     (the bar must have moved between them; kept with KEEP=1).
# Every PDF goes to /tmp and is deleted. Not a timed test.
# Usage: bench/desktop_build.sh [RUNS [PART...]]: RUNS of each pair, the best
# kept (default 1); PART stored, defaults or cancel (default all three).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
. scripts/wine-env.sh
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
runs=${1:-1}
parts=${*:2}
parts=${parts:-stored defaults cancel}
convert=/usr/bin/convert
# QUILLON_BENCH_BUILD=DIR (under the project) runs the programs of another
# build folder as they are, to set an older build beside this one.
build=${QUILLON_BENCH_BUILD:-out/$QUILLON_WINE_ARCH}
if [ -z "${QUILLON_BENCH_BUILD:-}" ]; then
  cmake --preset "$QUILLON_WINE_ARCH" >/dev/null
  cmake --build --preset "$QUILLON_WINE_ARCH" --target Quillon quillon-cli row_watch wineprime >/dev/null
fi

# Photos of 640 x 480, every file a link to one of ten (the program reads
# each as a file of its own).
corpus=$root/out/bench-corpus/build
mkdir -p "$corpus"
for i in $(seq 0 9); do
  [ -f "$corpus/photo-$i.jpg" ] || "$convert" -size 640x480 -seed "$i" plasma:fractal -quality 90 "$corpus/photo-$i.jpg"
done
photo_folder() {  # photo_folder COUNT
  local dir=$corpus/photos-$1
  if [ ! -f "$dir/photo-$(printf %05d "$1").jpg" ]; then
    mkdir -p "$dir"
    for i in $(seq 1 "$1"); do ln -f "$corpus/photo-$((i % 10)).jpg" "$dir/photo-$(printf %05d "$i").jpg"; done
  fi
  echo "$dir"
}
photos1000=$(photo_folder 1000)
photos240=$(photo_folder 240)

title="Quillon 1.0.52"
work=$(mktemp -d /tmp/quillon-build-bench.XXXXXX)
# A name typed into the save dialog: plain lower-case letters and digits
# (Wine's save dialog takes no folder under /dev).
out=/tmp/quillon-build-bench-$$
mkdir -p "$out"
trap 'rm -rf "$out"; [ -n "${KEEP:-}" ] && echo "kept $work" || rm -rf "$work"' EXIT
cat >"$work/drive.sh" <<'DRIVE'
set -uo pipefail
root=$1 build=$2 title=$3 work=$4 out=$5
shift 5
wineserver -p
"$QUILLON_WINE" "$build/tests/wineprime.exe" </dev/null >/dev/null 2>&1
. "$root/bench/desktop_common.sh"
# No Options window first, nothing opened after the build.
quiet='ShowOptions = 0\r\nOpenPdf = 0\r\nOpenDir = 0\r\n'
now() { date +%s.%N; }
progress_window() { xdotool search --onlyvisible --name '^Building PDF' 2>/dev/null | head -1; }
wait_for() {  # wait_for TENTHS COMMAND...
  local i
  for i in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done
  return 1
}
# until_true SECONDS COMMAND...: polls every 20 ms; false after the limit.
# Clock, pause and checks are shell builtins: the watch must not start
# processes of its own beside the program it times (the console companion
# is timed with nothing beside it).
exec {nap}<> <(:)
until_true() {
  local end=$((EPOCHSECONDS + $1))
  until "${@:2}"; do
    ((EPOCHSECONDS < end)) || return 1
    read -rt 0.02 -u "$nap" || true
  done
}
no_progress() { ! has_progress; }
has_dialog() { [ -n "$(xdotool search --onlyvisible --name '^PDF file name$' 2>/dev/null)" ]; }
has_progress() { [ -n "$(progress_window)" ]; }
report_written() {
  local text=
  IFS= read -rd '' text 2>/dev/null <"$1"
  [[ $text == *"NO ERRORS"* || $text == *"COMPLETED WITH ERRORS"* ]]
}
# start NAME FOLDER ROWS SETTINGS: starts a private copy, drops the folder on
# it and waits for every row; sets app_pid and main.
start() {
  local app=$work/app-$1
  program_copy "$app" Quillon.exe "$quiet$4"
  "$QUILLON_WINE" "$app/Quillon.exe" </dev/null >/dev/null 2>&1 &
  app_pid=$!
  main=$(main_window)
  [ -n "$main" ] || { echo "$1: no main window"; return 1; }
  "$QUILLON_WINE" "$build/tests/row_watch.exe" "$title" "$3" 600 </dev/null >"$work/rows-$1" 2>/dev/null &
  local watch_pid=$!
  sleep 0.5
  /usr/bin/python3 "$root/tests/app/xdnd_drop.py" "$main" 300 240 "$2" || echo "$1: drop refused"
  wait "$watch_pid" || { echo "$1: rows not seen: $(tr -d '\r' <"$work/rows-$1")"; return 1; }
}
# ask_build PDF: clicks "Build PDF" (200 x 38 at 15 from the left, 12 pixels
# under the list, which ends 75 + the status bar above the client area's
# bottom) and types the name into the save dialog, without Enter.
ask_build() {
  local mx my mw mh
  read -r mx my mw mh <<<"$(geometry "$main")"
  local border=$(( (mw - 640) / 2 ))
  xdotool mousemove $((mx + border + 115)) $((my + mh - border - 20 - 75 + 12 + 19)) click 1
  wait_for 100 has_dialog || { echo "save dialog not seen"; return 1; }
  sleep 0.3
  xdotool key --clearmodifiers End shift+Home BackSpace
  xdotool type --delay 20 "$(winpath "$(dirname "$1")")\\$(basename "$1")"
  sleep 0.3
}
stop() {
  kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null
  sleep 1
  wineserver -p
}
pages() { pdfinfo "$1" 2>/dev/null | awk '/^Pages:/{print $2}'; }
# window NAME FOLDER ROWS SETTINGS: Enter in the save dialog -> the log's
# final report, no progress window left.
window() {
  start "$@" && ask_build "$out/window-$1.pdf" || { stop; return; }
  local pdf=$out/window-$1.pdf
  local t0 t1
  t0=$(now)
  xdotool key Return
  until_true 600 report_written "$pdf.log" || echo "$1: no report in the log after 600 s"
  until_true 60 no_progress || echo "$1: progress window still there"
  t1=$(now)
  echo "$1 window $(echo "$t1 - $t0" | bc)" >>"$work/times"
  printf '%s, window (Save -> report): %.2f s, %s pages\n' "$1" "$(echo "$t1 - $t0" | bc)" "$(pages "$pdf")"
  rm -f "$pdf" "$pdf.log"
  stop
}
# cli NAME FOLDER SETTINGS [--quiet]: the console companion with the same
# settings file, start to exit; progress lines go to a file.
cli() {
  local name=$1 folder=$2
  local app=$work/cli-$name
  program_copy "$app" quillon-cli.exe "$quiet$3"
  local pdf=$out/cli-$name.pdf t0 t1 rc=0
  t0=$(now)
  "$QUILLON_WINE" "$app/quillon-cli.exe" ${4:-} "$(winpath "$out")\\cli-$name.pdf" "$(winpath "$folder")" \
    </dev/null >/dev/null 2>"$work/cli-$name.err" || rc=$?
  t1=$(now)
  echo "$name cli${4:-} $(echo "$t1 - $t0" | bc)" >>"$work/times"
  printf '%s, console companion%s: %.2f s, %s pages, exit status %s\n' "$name" \
    "$([ -n "${4:-}" ] && echo " --quiet" || echo " (a line per file)")" "$(echo "$t1 - $t0" | bc)" "$(pages "$pdf")" "$rc"
  rm -f "$pdf" "$pdf.log"
}
# cancel NAME FOLDER ROWS SETTINGS: a long build, two screenshots half a
# second apart, then Cancel clicked: time until the progress window is gone.
cancel() {
  start "$@" && ask_build "$out/cancel-$1.pdf" || { stop; return; }
  local pdf=$out/cancel-$1.pdf
  xdotool key Return
  wait_for 100 has_progress || echo "progress window not seen"
  sleep 1.5
  import -window root "$work/progress-1.png"
  sleep 0.5
  import -window root "$work/progress-2.png"
  local w x y ww wh
  w=$(progress_window)
  read -r x y ww wh <<<"$(geometry "$w")"
  # Cancel: 100 x 30 at 175, 85 of the 450 x 120 client area, whose bottom
  # lies one frame width above the window's.
  local border=$(( (ww - 450) / 2 ))
  local cx=$((x + border + 225)) cy=$((y + wh - border - 120 + 100))
  # The bar (5, 55, 440 x 20): how much of it is filled, in both pictures.
  local bar=$((y + wh - border - 120 + 65)) a b
  a=$(convert "$work/progress-1.png" -crop "440x1+$((x + border + 5))+$bar" +repage -format '%[fx:mean]' info:)
  b=$(convert "$work/progress-2.png" -crop "440x1+$((x + border + 5))+$bar" +repage -format '%[fx:mean]' info:)
  xdotool mousemove "$cx" "$cy"
  sleep 0.2
  # The click and the watch from one X connection: the time from the button's
  # release to the window's going, without a program started in between.
  local gone
  gone=$(/usr/bin/python3 - "$w" <<'PY'
import sys, time
from Xlib import X, display, error
from Xlib.ext import xtest
d = display.Display()
window = d.create_resource_object("window", int(sys.argv[1]))
xtest.fake_input(d, X.ButtonPress, 1)
xtest.fake_input(d, X.ButtonRelease, 1)
d.sync()
start = time.monotonic()
while time.monotonic() - start < 60:
    try:
        if window.get_attributes().map_state != X.IsViewable:
            break
    except error.BadWindow:
        break
    time.sleep(0.002)
print("%.3f" % (time.monotonic() - start))
PY
)
  printf '%s, Cancel clicked -> progress window gone: %s s (bar line brightness %s then %s: %s)\n' "$1" \
    "$gone" "$a" "$b" "$([ "$a" != "$b" ] && echo moved || echo "DID NOT MOVE")"
  [ -f "$pdf" ] && echo "$1: a PDF was written after Cancel"
  stop
}
"$@"
DRIVE
drive() { xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/drive.sh" "$root" "$build" "$title" "$work" "$out" "$@"; }

stored='JpgNoRecompression = 1\r\nPreprocessing = 0\r\n'
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
echo "real program under Wine and Xvfb (RUNS=$runs):"
for _ in $(seq "$runs"); do
  [[ " $parts " == *" stored "* ]] || break
  drive window stored-1000 "$photos1000" 1000 "$stored"
  drive cli stored-1000 "$photos1000" "$stored"
  drive cli stored-1000 "$photos1000" "$stored" --quiet
done
for _ in $(seq "$runs"); do
  [[ " $parts " == *" defaults "* ]] || break
  drive window defaults-240 "$photos240" 240 ''
  drive cli defaults-240 "$photos240" ''
done
[[ " $parts " != *" cancel "* ]] || drive cancel defaults-1000 "$photos1000" 1000 ''
wineserver -k 2>/dev/null || true
# The best time of each, and the window's against the console companion's
# faster run (with or without its progress lines).
[ -f "$work/times" ] && awk '{ if (!($1 " " $2 in best) || $3 < best[$1 " " $2]) best[$1 " " $2] = $3 }
     END { for (k in best) if (k ~ / window$/) { n = k; sub(/ window$/, "", n); c = best[n " cli"]
             q = (n " cli--quiet") in best ? best[n " cli--quiet"] : c; if (q < c) c = q
             printf "%s: window %.2f s, console companion %.2f s: %.2fx\n", n, best[k], c, best[k] / c } }' "$work/times"
