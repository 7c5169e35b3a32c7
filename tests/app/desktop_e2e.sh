#!/usr/bin/env bash
# End-to-end test of the desktop program as a person uses it: Quillon.exe
# under Wine in its own Xvfb display; files dropped on the list through the
# X11 drag-and-drop protocol (tests/app/xdnd_drop.py), everything else with
# keys and clicks (xdotool); the PDF judged by qpdf, pdfinfo and pdftoppm,
# then the log, the skipped-files export and the settings file written at exit.
# Needs the Windows build (scripts/test.sh builds it before running this).
# Prints one line per failed check and a summary line; exits 1 on any failure.
# KEEP=1 keeps the work folder (screenshots included) for a look.
# Nothing here waits without an end: every wait has a limit and its check
# names what it waited for; every X tool runs under a time limit and is
# never given an empty window id (xwininfo would then wait for a click).
# Each program run belongs to its group(s): started there, its pid kept, and
# ended when its last group ends, whatever happened (Files > Quit first, then
# by its pid); the next group ends any copy left running in the prefix.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
exe="$root/out/$QUILLON_WINE_ARCH/src/Quillon.exe"

if [ -z "${QUILLON_E2E_DISPLAY:-}" ]; then
  # Outside a display: start one, with a Wine server of its own, and run again inside it.
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
  QUILLON_E2E_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

work=$(mktemp -d /tmp/quillon-desktop-e2e.XXXXXX)
cleanup() {
  end_app
  wineserver -k 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
wineserver -p 2>/dev/null
# Wine's own start (its desktop and services) is over before the first
# timed wait: a window of a tiny program opens and closes.
timeout 120 "$QUILLON_WINE" "$root/out/$QUILLON_WINE_ARCH/tests/wineprime.exe" </dev/null >/dev/null 2>&1

. "$root/tests/support/checks.sh"
winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
shot() { timeout 30 import -window root "$work/$1.png" 2>/dev/null; }
# The colour at x y (fx expressions) of a picture: red, green, blue, yellow,
# black or white, from each channel being above or below half.
colour_at() {
  case $(timeout 30 convert "$1" -format "%[fx:p{$2,$3}.r>0.5]%[fx:p{$2,$3}.g>0.5]%[fx:p{$2,$3}.b>0.5]" info: 2>/dev/null) in
    100) echo red ;; 010) echo green ;; 001) echo blue ;; 110) echo yellow ;; 000) echo black ;; 111) echo white ;;
    *) echo other ;;
  esac
}
# Waits up to $1 tenths of a second (by the clock, however slow the command)
# for a command to succeed; the check around it names what it waited for.
wait_for() {
  local end=$((${EPOCHREALTIME/./} + $1 * 100000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME/./}" -lt "$end" ] || return 1
    sleep 0.1
  done
}
# X tools under a limit; a window id must be a number, else the call fails at once.
xdo() { timeout 10 xdotool "$@"; }
is_id() { [[ "${1:-}" =~ ^[0-9]+$ ]]; }
# Keys to window $1 (fails without one).
keys_to() {
  is_id "$1" || return 1
  local w=$1
  shift
  xdo key --window "$w" "$@"
}
# X windows whose name is exactly $1, one id a line.
windows_named() { xdo search --onlyvisible --name "^$1\$" 2>/dev/null; }
# x y width height of an X window; fails, printing nothing, without one.
geometry() {
  is_id "${1:-}" || return 1
  timeout 10 xwininfo -id "$1" 2>/dev/null |  # guard: is_id above, as -id "" waits for a click
    awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
                           /Width:/{w=$2} /Height:/{h=$2} END{if (h == "") exit 1; print x, y, w, h}'
}
width_of() { local g; g=$(geometry "$1") && set -- $g && echo "$3"; }
title="Quillon 1.0.52"
main_window() { windows_named "$title" | while read -r w; do
  set -- $(geometry "$w") && [ "${3:-0}" -ge 600 ] && echo "$w" && break
done; }
# The program's smaller window of that title (the skipped-files window).
small_window() { windows_named "$title" | while read -r w; do
  set -- $(geometry "$w") && [ -n "${3:-}" ] && [ "$3" -lt 600 ] && echo "$w" && break
done; }
no_small() { [ -z "$(small_window)" ]; }
# The main window minimised, or back at its width $mw.
minimised() { local w; w=$(width_of "$main") && [ "$w" -lt 600 ]; }
restored() { local w; w=$(width_of "$main") && [ "$w" -eq "${mw:-0}" ]; }
# The quit or overwrite question: a second window of the program's title.
question_up() { [ "$(windows_named "$title" | wc -l)" -ge 2 ]; }
has_window() { [ -n "$(windows_named "$1")" ]; }
no_window() { [ -z "$(windows_named "$1")" ]; }
has_main() { [ -n "$(main_window)" ]; }
# The main window, looked for again when it was not there when last asked.
need_main() { is_id "$main" || { main=$(main_window) && read -r mx my mw mh <<<"$(geometry "$main")"; }; }
has_small() { [ -n "$(small_window)" ]; }
# Keys reach the window Wine holds active, which X's input focus does not
# tell: without a window manager, Wine takes the activation from its window
# when X reports that window's focus lost while X's focus is on no window of
# the process at that moment ("lost focus, setting fg to desktop"), which a
# dialog closing quickly can cause; the window then stays inactive with X's
# focus on it again, and giving X the focus (xdotool windowfocus) does not
# bring the activation back. The caption tells: blue when active, grey not.
main_active() {
  local px
  is_id "$main" && px=$(timeout 30 import -window "$main" -crop "1x1+$((${mw:-640} / 2))+12" txt:- 2>/dev/null) &&
    [[ "$px" == *"srgb(50,150,250)"* ]]
}
# Where a person's click would activate the window, a window manager's part:
# the main window is brought to the front from inside the prefix.
activate_main() {
  wait_for 30 main_active && return 0
  local front xfocus
  xfocus=$(xdo getwindowfocus 2>/dev/null)
  front=$(timeout 60 "$QUILLON_WINE" "$root/out/$QUILLON_WINE_ARCH/tests/row_watch.exe" "$title" --front </dev/null 2>/dev/null | tr -d '\r')
  echo "note [$current]: the main window was not active (X focus on ${xfocus:-?}, main $main, Wine's foreground: ${front:-?}): brought to the front"
  wait_for 30 main_active
}
# Clicks at x y of the screen.
click() { xdo mousemove "$1" "$2" click 1; sleep 0.3; }
# Clicks "Build PDF": 200 x 38 at x 15, 12 pixels under the list, which ends
# 75 + the status bar above the client area's bottom; the client area ends
# one frame width above the window's bottom.
press_build() {
  read -r mx my mw mh <<<"$(geometry "$main")" && [ -n "$mh" ] || return 1
  local border=$(( (mw - 640) / 2 ))
  click $((mx + border + 115)) $((my + mh - border - 20 - 75 + 12 + 19))
}
# Drags with the left button from x1 y1 to x2 y2 as a hand does, a few pixels
# every few tens of milliseconds (so the list starts a row drag), and takes
# the screenshot $5 just before the release.
drag() {
  xdo mousemove "$1" "$2" mousedown 1
  local i
  for i in $(seq 16); do
    xdo mousemove $(($1 + ($3 - $1) * i / 16)) $(($2 + ($4 - $2) * i / 16))
    sleep 0.05
  done
  sleep 0.3
  shot "$5"
  xdo mouseup 1
  sleep 0.5
}
# The build's log is written from its start on; its closing report, which
# ends with the counts of files, is written when the PDF is complete.
build_done() { grep -qa '^Files missing' "$1" 2>/dev/null; }
# Types a path into the focused file-name box of a save dialog, replacing its text.
type_file_name() {
  xdo key --clearmodifiers End shift+Home BackSpace
  timeout 60 xdotool type --delay 20 "$1"
  sleep 0.2
  xdo key Return
}
# Drops folder or files $2... on window $1 at its middle.
drop_on() {
  local g
  g=$(geometry "$1") || return 1
  set -- "$1" $g "${@:2}"
  timeout 60 /usr/bin/python3 "$root/tests/app/xdnd_drop.py" "$1" $(($2 + $4 / 2)) $(($3 + $5 / 2)) "${@:6}"
}

# A private copy of the program: its settings file lies beside it.
app="$work/app"
mkdir -p "$app" "$work/images/more" "$work/out"
cp "$exe" "$app/Quillon.exe"
settings_text='\xef\xbb\xbf\r\n[PDF creation]\r\nPaperFormat = 1\r\n[General]\r\nRememberWinPos = 1\r\nX = 120\r\nY = 110\r\nW = 640\r\nH = 480\r\nShowOptions = 0\r\nOpenPdf = 0\r\nOpenDir = 0\r\nConfirmations = 1\r\nEnableSubFolders = 1\r\n'
printf "$settings_text" >"$app/Quillon.ini"
convert=/usr/bin/convert
$convert -size 120x80 gradient:red-blue "$work/images/b photo.jpg"
$convert -size 60x90 xc:green "$work/images/a.png"
$convert -size 50x50 xc:yellow "$work/images/more/c.gif"
# GDI+ does not read TGA: the platform's imaging component does.
$convert -size 40x60 gradient:orange-purple -compress RLE "$work/images/e.tga"
echo "not an image" >"$work/images/notes.txt"
# A GIF without colours makes the platform's decoder fault: refused, not fatal.
cp "$root/tests/imaging/fixtures/no-colour-table.gif" "$work/images/more/d.gif"
# Copies of the program running in this prefix, one pid a line: a Wine
# process's command line starts with its program's path.
running_copies() {
  local p first
  for p in /proc/[0-9]*; do
    first=
    { read -r -d '' first <"$p/cmdline"; } 2>/dev/null
    [[ "$first" == *[/\\]Quillon.exe ]] || continue
    grep -qzxF "WINEPREFIX=$WINEPREFIX" "$p/environ" 2>/dev/null && echo "${p#/proc/}"
  done
}
nothing_left() { [ -z "$(running_copies)" ] && [ -z "$(windows_named "$title")" ]; }
app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
# Ends the program this script started last: Files > Quit and Yes first,
# then, when it is still there after 10 s, by its pid.
app_pid=""
end_app() {
  [ -n "$app_pid" ] || return 0
  if kill -0 "$app_pid" 2>/dev/null; then
    main=$(main_window)
    activate_main >/dev/null
    keys_to "$main" alt+f && sleep 0.5 && keys_to "$main" q && sleep 0.5 && xdo key Return
    if ! wait_for 100 app_gone; then
      echo "note [$current]: Quillon.exe (pid $app_pid) did not end through Files > Quit: ended by its pid"
      kill -9 "$app_pid" 2>/dev/null
      wait_for 50 app_gone || echo "note [$current]: Quillon.exe (pid $app_pid) still there 5 s after its end"
    fi
  fi
  app_gone && wait "$app_pid" 2>/dev/null
  app_pid=""
}
# A group that starts its own program: the one before ends first, and no
# other copy may be left in the prefix (one is ended, and said so).
program_group() {
  end_app
  group "$1"
  local leftover
  for leftover in $(running_copies); do
    echo "note [$current]: a copy of Quillon.exe left running in the prefix (pid $leftover): ended"
    kill -9 "$leftover" 2>/dev/null
  done
  check "no copy of the program or its windows left" wait_for 50 nothing_left
}
# start_app [DIR [ARGS...]]: the program, started from DIR (the work folder)
# with ARGS; its pid is kept for end_app.
start_app() {
  local dir=${1:-$work}
  shift
  (cd "$dir" && exec "$QUILLON_WINE" "$app/Quillon.exe" "$@" </dev/null >/dev/null 2>&1) &
  app_pid=$!
}

program_group "start-up"
start_app
check "main window opens" wait_for 600 has_main
main=$(main_window)
read -r mx my mw mh <<<"$(geometry "$main")"
expect_eq "window place from the settings file" "120 110" "$mx $my"
shot start

group "single instance"
need_main
keys_to "$main" alt+space
sleep 0.5
xdo key n
check "minimised" wait_for 100 minimised
timeout 30 "$QUILLON_WINE" "$app/Quillon.exe" </dev/null >/dev/null 2>&1
expect_eq "second start ends at once with 0" 0 $?
check "first window restored" wait_for 100 restored
expect_eq "one main window" 1 "$(windows_named "$title" | wc -l)"

group "drop"
need_main
# The list's middle, away from the header.
drop_on "$main" "$work/images"
expect_eq "drop accepted through XDND" 0 $?
check "skipped-files window opens" wait_for 300 has_small
shot skipped
skipped=$(small_window)
read -r sx sy sw sh <<<"$(geometry "$skipped" || echo 0 0 0 0)"
# " Export the list " sits at (220, 70), 100 x 25, in the client area under
# the caption; the frame is as thick below as at the sides.
border=$(( (sw - 330) / 2 ))
click $((sx + border + 270)) $((sy + sh - border - 100 + 82))
check "export dialog opens" wait_for 300 has_window "Save As"
export_file="$work/out/refused"
type_file_name "$(winpath "$export_file")"
check "skipped-files window closes after the export" wait_for 100 no_small
for refused in notes.txt more/d.gif; do
  printf 'Z:%s\r\n' "$(winpath "$work/images/$refused" | cut -c3-)"
done | sort >"$work/expected-export"
check "export written" wait_for 100 test -s "$export_file.txt"
# In the order the folders were walked, which is the file system's.
expect_eq "export lists the refused files" "$(od -c <"$work/expected-export")" \
  "$(sort <"$export_file.txt" 2>/dev/null | od -c)"
shot filled

group "build"
need_main
press_build
check "output dialog opens" wait_for 300 has_window "PDF file name"
pdf="$work/out/book.pdf"
type_file_name "$(winpath "$work/out/book")"
check "PDF written" wait_for 600 test -s "$pdf"
check "build finished" wait_for 600 build_done "$pdf.log"
sleep 1
check "qpdf --check" bash -c "qpdf --check '$pdf' >/dev/null 2>&1"
expect_eq "one page per accepted image (the TGA among them)" 4 "$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
expect_eq "A4 pages" "595.28 x 841.89" "$(pdfinfo -f 1 -l 1 "$pdf" 2>/dev/null | sed -n 's/^Page *1 size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 x \2/p')"
check "first page renders" pdftoppm -r 20 -f 1 -l 1 -singlefile -png "$pdf" "$work/page1"
# Sorted by name after the drop: a.png is the first page.
check "first page is a.png" contains "$pdf.log" "$(winpath "$work/images/a.png")"
sum=$(md5sum <"$pdf")

group "overwrite question"
need_main
check "main window usable again" wait_for 100 no_window "PDF file name"
press_build
check "output dialog opens again" wait_for 300 has_window "PDF file name"
type_file_name "$(winpath "$pdf")"
check "question asked" wait_for 300 question_up
shot overwrite
xdo key n
check "No reopens the dialog" wait_for 300 has_window "PDF file name"
xdo key Escape
check "dialog cancelled" wait_for 100 no_window "PDF file name"
expect_eq "PDF untouched" "$sum" "$(md5sum <"$pdf")"

group "quit"
need_main
activate_main
keys_to "$main" alt+F4
# Wine can still take the activation just after the check above (an X focus
# event handled late): then the keys are pressed once more, as a person would.
if ! wait_for 100 question_up; then activate_main && keys_to "$main" alt+F4; fi
check "quit question" wait_for 300 question_up
shot quit
xdo key Return
check "program ended" wait_for 100 app_gone
ini="$app/Quillon.ini"
for line in "X = 120" "Y = 110" "W = 640" "H = 480" "LastDirectory = $(winpath "$work/out")\\"; do
  check "settings file keeps $line" grep -qxF -- "$line"$'\r' "$ini"
done
check "settings file starts with its mark" bash -c "head -c 5 '$ini' | od -An -tx1 | grep -q 'ef bb bf 0d 0a'"

program_group "keyboard only"
# No mouse from here to the end of the group: files from the command line
# (relative to where the program starts), Tab to "Build PDF", Enter, the
# name typed, Enter; then a second start with more files while minimised.
printf "$settings_text" >"$app/Quillon.ini"
start_app "$work/images" "b photo.jpg" a.png
check "main window opens with the files given" wait_for 600 has_main
main=$(main_window)
read -r mx my mw mh <<<"$(geometry "$main")"
sleep 2
keys_to "$main" Tab
sleep 0.3
xdo key Return
check "Tab and Enter open the output dialog" wait_for 300 has_window "PDF file name"
type_file_name "$(winpath "$work/out/keys")"
check "PDF from the command line's files" wait_for 600 build_done "$work/out/keys.pdf.log"
sleep 1
check "qpdf --check (keyboard)" bash -c "qpdf --check '$work/out/keys.pdf' >/dev/null 2>&1"
expect_eq "one page per file given" 2 "$(pdfinfo "$work/out/keys.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
check "main window usable after the keyboard build" wait_for 100 no_window "PDF file name"
keys_to "$main" alt+space
sleep 0.5
xdo key n
check "minimised again" wait_for 100 minimised
unicode_name="été photo.png"
$convert -size 30x40 xc:blue "$work/images/more/$unicode_name"
(cd "$work/images/more" && timeout 30 "$QUILLON_WINE" "$app/Quillon.exe" c.gif "$unicode_name" </dev/null >/dev/null 2>&1)
expect_eq "second start with files ends with 0" 0 $?
check "running window comes back" wait_for 100 restored
sleep 2
keys_to "$main" ctrl+b
check "Ctrl+B opens the output dialog" wait_for 300 has_window "PDF file name"
type_file_name "$(winpath "$work/out/handed")"
check "PDF with the handed files" wait_for 600 build_done "$work/out/handed.pdf.log"
sleep 1
expect_eq "handed files added to the list" 4 "$(pdfinfo "$work/out/handed.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
check "Unicode name reached the build" contains "$work/out/handed.pdf.log" "$(winpath "$work/images/more/$unicode_name")"
shot keyboard
# The build's window handed the activation back: the keys need no help.
# When it is not, the note says where X and Wine put the activation.
if wait_for 100 main_active; then ok; else fail "main window active after the build"; activate_main; fi
keys_to "$main" alt+F4
check "quit question (keyboard)" wait_for 300 question_up
xdo key Return
check "program ended (keyboard)" wait_for 100 app_gone

program_group "row drag"
# Again with thumbnails: four solid pictures, sorted by name into the list.
printf "${settings_text}ShowThumbs = 1\r\nPreprocessing = 1\r\n" >"$app/Quillon.ini"
mkdir -p "$work/colours"
colours=(red green blue yellow)
fills=('#ff0000' '#00ff00' '#0000ff' '#ffff00')
for i in 0 1 2 3; do $convert -size 400x300 "xc:${fills[i]}" "$work/colours/$i.png"; done
# Starts the program and drops folder $1 on the middle of its window ($2 names it).
start_and_drop() {
  start_app
  check "main window opens for the $2" wait_for 600 has_main
  main=$(main_window)
  read -r mx my mw mh <<<"$(geometry "$main" || echo 0 0 0 0)"
  drop_on "$main" "$1"
  expect_eq "$2 dropped" 0 $?
}
start_and_drop "$work/colours" colours
border=$(( (mw - 640) / 2 ))
row_x=$((mx + border + 200))
# The middle of row $1 on the screen: measured under Wine, the first row's
# middle lies 83 pixels under the window's top and rows are 14 pixels high.
# The thumbnail checks below tell when this no longer holds.
row_y() { echo $((my + 83 + $1 * 14)); }
thumb_colour() {  # the colour in the middle of the thumbnail window now
  local t g
  t=$(windows_named "Quillon - Thumbnail" | head -n 1)
  g=$(geometry "$t") || { echo none; return 1; }
  shot thumb
  read -r tx ty tw th <<<"$g"
  colour_at "$work/thumb.png" $((tx + tw / 2)) $((ty + th / 2))
}
# Waits for the thumbnail to show colour $1 (it is drawn after it opens).
thumb_is() { [ "$(thumb_colour)" = "$1" ]; }
thumb_shows() { wait_for 100 thumb_is "$1"; }
for i in 0 1 2 3; do
  click "$row_x" "$(row_y $i)"
  thumb_shows "${colours[i]}"
  expect_eq "thumbnail of row $i" "${colours[i]}" "$(thumb_colour)"
done
thumb=$(windows_named "Quillon - Thumbnail" | head -n 1)
read -r tx ty tw th <<<"$(geometry "$thumb")"
expect_eq "thumbnail docked right of the main window" "$((mx + 640 + 2)) $((my + 1))" "$tx $ty"
shot thumbnail
# Released outside the program: nothing moves and the thumbnail closes. Then
# row 3 dropped on row 1 lands at 1. The pages can only come out in this
# order if the first drag left the list as it was.
drag "$row_x" "$(row_y 1)" 40 900 drag-outside
check "thumbnail closed by a drag released outside" wait_for 100 no_window "Quillon - Thumbnail"
drag "$row_x" "$(row_y 3)" "$row_x" "$(row_y 1)" drag-label
thumb_shows yellow
expect_eq "thumbnail of the dropped row" yellow "$(thumb_colour)"
press_build
check "output dialog opens after the drags" wait_for 300 has_window "PDF file name"
pdf="$work/out/colours.pdf"
type_file_name "$(winpath "$work/out/colours")"
check "reordered PDF written" wait_for 600 build_done "$pdf.log"
sleep 1
order=$(for p in 1 2 3 4; do
  pdftoppm -r 10 -f $p -l $p -singlefile -png "$pdf" "$work/order"
  colour_at "$work/order.png" w/2 h/2
done | tr '\n' ' ')
expect_eq "pages in the dragged order" "red yellow green blue " "$order"

program_group "photos"
# A few hundred photos, a quarter of them stored turned a quarter (EXIF
# orientation 6 or 8), and two files that are not images, dropped with the
# default settings and thumbnails on: every row shows the upright size, the
# refused files are listed, and a clicked row's thumbnail is the picture as
# ImageMagick reduces it.
printf "${settings_text}ShowThumbs = 1\r\n" >"$app/Quillon.ini"
photos="$work/photos"
mkdir -p "$photos"
# Writes an Exif segment with orientation $2 right after the start of JPEG file $1.
set_orientation() {
  /usr/bin/python3 -c '
import struct, sys
path, o = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
tiff = b"MM\0*" + struct.pack(">IHHHIHH", 8, 1, 0x0112, 3, 1, o, 0) + b"\0\0\0\0"
body = b"Exif\0\0" + tiff
open(path, "wb").write(data[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + data[2:])
' "$1" "$2"
}
orients=(1 6 3 8)
: >"$work/expected-cells"
for i in $(seq -f %03g 1 240); do
  n=$((10#$i)) w=$((40 + n % 7 * 10)) h=$((30 + n % 5 * 10)) o=${orients[n % 4]}
  $convert -size ${w}x$h xc:'#336699' "$photos/p$i.jpg"
  [ "$o" = 1 ] || set_orientation "$photos/p$i.jpg" "$o"
  # Orientations 6 and 8 turn the picture a quarter: the list shows it upright.
  if [ "$o" -ge 5 ]; then printf 'p%s.jpg\t%d x %d\n' "$i" "$h" "$w"; else printf 'p%s.jpg\t%d x %d\n' "$i" "$w" "$h"; fi >>"$work/expected-cells"
done
$convert -size 600x900 gradient:red-blue -rotate 90 -quality 95 "$photos/a-gradient.jpg"
printf 'a-gradient.jpg\t900 x 600\n' >>"$work/expected-cells"
echo "not a picture" >"$photos/broken.jpg"
echo "notes" >"$photos/notes.txt"
start_and_drop "$photos" photos
check "refused files listed" wait_for 300 has_small
skipped=$(small_window)
keys_to "$skipped" Escape
check "skipped-files window closes" wait_for 100 no_small
timeout 60 "$QUILLON_WINE" "$root/out/$QUILLON_WINE_ARCH/tests/row_watch.exe" "$title" --cells </dev/null 2>/dev/null | tr -d '\r' >"$work/cells"
expect_eq "every row with its upright size" "$(sort "$work/expected-cells" | md5sum)" "$(sort "$work/cells" | md5sum)"
# Row 0 (sorted by name): the gradient of 900 x 600, reduced to 480 x 320
# in the middle of the square.
click $((mx + (mw - 640) / 2 + 200)) $((my + 83))
thumb_has_picture() { [ "$(thumb_colour)" != black ]; }
check "thumbnail drawn" wait_for 100 thumb_has_picture
shot thumb
read -r tx ty tw th <<<"$(geometry "$(windows_named "Quillon - Thumbnail" | head -n 1)" || echo 0 0 0 0)"
$convert "$photos/a-gradient.jpg" -resize 480x480 "$work/reference.png"
# Blue falls and red rises along the picture: three points across its middle.
for dx in -180 0 180; do
  got=$(convert "$work/thumb.png" -format "%[fx:int(255*p{$((tx + tw / 2 + dx)),$((ty + th / 2))}.r)] %[fx:int(255*p{$((tx + tw / 2 + dx)),$((ty + th / 2))}.b)]" info:)
  want=$(convert "$work/reference.png" -format "%[fx:int(255*p{$((240 + dx)),160}.r)] %[fx:int(255*p{$((240 + dx)),160}.b)]" info:)
  read -r gr gb <<<"$got"
  read -r wr wb <<<"$want"
  check "thumbnail pixel at $dx as ImageMagick reduces it ($got ~ $want)" \
    bash -c "[ $(( (gr - wr) * (gr - wr) + (gb - wb) * (gb - wb) )) -le 400 ]"
done
program_group "turned rows"
# Three pictures of four coloured quarters (so that every turn and mirror
# shows): a landscape photo, a photo stored landscape whose EXIF orientation
# 6 stands it upright, a landscape PNG. Ctrl+R turns the first, "Rotate
# left" from the context menu the second, Ctrl+L the PNG; Sort now and a
# drag keep the turns. Cells, thumbnails and the pages of Paperless PDFs in
# the three modes show each picture as ImageMagick turns it.
turned="$work/turned"
mkdir -p "$turned"
quarters() {  # quarters SIZE FILE: red, green over blue, yellow
  local w=${1%x*} h=${1#*x}
  $convert -size "$1" xc:red -fill '#00ff00' -draw "rectangle $((w / 2)),0 $w,$((h / 2 - 1))" \
    -fill blue -draw "rectangle 0,$((h / 2)) $((w / 2 - 1)),$h" -fill yellow \
    -draw "rectangle $((w / 2)),$((h / 2)) $w,$h" -quality 95 -define png:exclude-chunks=all "$2"
}
quarters 300x200 "$turned/a-landscape.jpg"
quarters 300x200 "$turned/b-portrait.jpg"
set_orientation "$turned/b-portrait.jpg" 6
quarters 240x160 "PNG24:$turned/c-chart.png"  # 8-bit RGB, no extra chunks: passed through
# What each page must show: a turned right; b upright (a quarter right)
# then turned left, which is b as stored; c turned left.
$convert "$turned/a-landscape.jpg" -rotate 90 "$work/want-a.png"
$convert "$turned/b-portrait.jpg" "$work/want-b.png"
$convert "$turned/c-chart.png" -rotate -90 "$work/want-c.png"
# The colours of a picture's four quarters, as "tl tr bl br".
quarter_colours() {  # FILE X Y W H: the picture's box in FILE
  local x y
  for y in $(($3 + $5 / 4)) $(($3 + $5 * 3 / 4)); do
    for x in $(($2 + $4 / 4)) $(($2 + $4 * 3 / 4)); do colour_at "$1" "$x" "$y"; done
  done | tr '\n' ' '
}
want_colours() { quarter_colours "$work/want-$1.png" 0 0 "$(identify -format %w "$work/want-$1.png")" \
  "$(identify -format %h "$work/want-$1.png")"; }
# Starts the program with settings $1, turns, sorts and drags; the list ends
# as c, a, b.
turn_rows() {  # turn_rows "PDF creation" keys, "General" keys, name
  printf "${settings_text}ShowThumbs = 1\r\n$2" |
    sed "s/^PaperFormat = 1\r\$/PaperFormat = 6\r$1/" >"$app/Quillon.ini"
  start_and_drop "$turned" "turned pictures ($3)"
  wait_for 300 bash -c "timeout 20 \"$QUILLON_WINE\" \"$root/out/$QUILLON_WINE_ARCH/tests/row_watch.exe\" '$title' --cells </dev/null 2>/dev/null | grep -q c-chart"
  border=$(( (mw - 640) / 2 ))
  row_x=$((mx + border + 200))
  click "$row_x" "$(row_y 0)"
  keys_to "$main" ctrl+r
  sleep 0.3
  xdo mousemove "$row_x" "$(row_y 1)" click 3
  sleep 0.8
  shot "turn-menu-$3"
  xdo key l
  sleep 0.3
  click "$row_x" "$(row_y 2)"
  keys_to "$main" ctrl+l
  sleep 0.3
  activate_main
  keys_to "$main" alt+f
  sleep 0.5
  xdo key s
  sleep 0.5
  drag "$row_x" "$(row_y 2)" "$row_x" "$(row_y 0)" "turn-drag-$3"
}
list_cells() {
  timeout 20 "$QUILLON_WINE" "$root/out/$QUILLON_WINE_ARCH/tests/row_watch.exe" "$title" --cells </dev/null 2>/dev/null | tr -d '\r'
}
# Builds into $1.pdf; checks each page's size and picture.
build_turned() {
  press_build
  check "output dialog opens ($1)" wait_for 300 has_window "PDF file name"
  type_file_name "$(winpath "$work/out/$1")"
  check "turned PDF written ($1)" wait_for 600 build_done "$work/out/$1.pdf.log"
  local pdf="$work/out/$1.pdf" page name size
  check "qpdf --check ($1)" bash -c "qpdf --check '$pdf' >/dev/null 2>&1"
  page=0
  for name in c a b; do
    page=$((page + 1))
    size=$(identify -format '%w x %h' "$work/want-$name.png")
    expect_eq "$1 page $page: the turned size" "$size" \
      "$(pdfinfo -f $page -l $page "$pdf" 2>/dev/null | sed -n "s/^Page *$page size: *\([0-9]*\)\(\.[0-9]*\)\? x \([0-9]*\)\(\.[0-9]*\)\? pts.*/\1 x \3/p")"
    pdftoppm -r 72 -f $page -l $page -singlefile -png "$pdf" "$work/page-$1-$page"
    expect_eq "$1 page $page shows $name turned" "$(want_colours $name)" \
      "$(quarter_colours "$work/page-$1-$page.png" 0 0 ${size% x*} ${size#*x })"
    # Beyond the quarters' colours: the whole picture, within JPEG's noise.
    local rmse
    rmse=$(compare -metric RMSE "$work/page-$1-$page.png" "$work/want-$name.png" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
    check "$1 page $page as ImageMagick turns it (RMSE $rmse)" awk "BEGIN{exit !($rmse < 0.08)}"
  done
}
turn_rows "" "JpgNoRecompression = 1\r\n" stored
list_cells >"$work/turned-cells"
shot turned-list
expect_eq "Resolution cells: the turned sizes, marked" \
  "$(printf 'c-chart.png\t270° 160 x 240\na-landscape.jpg\t90° 200 x 300\nb-portrait.jpg\t270° 300 x 200')" \
  "$(cat "$work/turned-cells")"
# The thumbnails: the picture as its page shows it, in the middle of the square.
for row in 0 1 2; do
  name=$(echo c a b | cut -d' ' -f$((row + 1)))
  click "$row_x" "$(row_y $row)"
  sleep 1.5
  thumb_is_picture() { [ "$(thumb_colour)" != black ]; }
  wait_for 50 thumb_is_picture
  shot "turned-thumb-$row"
  thumb=$(windows_named "Quillon - Thumbnail")
  check "thumbnail window open for row $row" test -n "$thumb"
  [ -n "$thumb" ] || continue
  read -r tx ty tw th <<<"$(geometry "$thumb")"
  read -r pw ph <<<"$(identify -format '%w %h' "$work/want-$name.png")"
  # The 480-pixel square fills the client area: the frame is as thick below as at the sides.
  frame=$(( (tw - 480) / 2 ))
  expect_eq "thumbnail of row $row shows $name turned" "$(want_colours $name)" \
    "$(quarter_colours "$work/turned-thumb-$row.png" $((tx + frame + (480 - pw) / 2)) \
      $((ty + th - frame - 480 + (480 - ph) / 2)) "$pw" "$ph")"
done
build_turned stored
pdfimages -j "$work/out/stored.pdf" "$work/stored-image" 2>/dev/null
for name in a-landscape b-portrait; do
  check "stored JPEG $name keeps its bytes" bash -c "md5sum '$work'/stored-image-*.jpg | grep -q $(md5sum <"$turned/$name.jpg" | cut -c1-32)"
done
end_app
turn_rows "\nJpgCompression = 0\r" "" png
build_turned png
# The PNG went in as it is, lying as stored: its page turns it.
expect_eq "passed-through PNG keeps its own size" "240 160 image" \
  "$(pdfimages -list "$work/out/png.pdf" 2>/dev/null | awk '$1 == 1 {print $4, $5, $9}')"
end_app
turn_rows "\nJpgCompression = 1\r\nJpgQuality = 10\r" "" jpeg
build_turned jpeg
end_app
echo "desktop-e2e: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
