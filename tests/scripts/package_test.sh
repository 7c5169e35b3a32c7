#!/usr/bin/env bash
# The release archive as a Windows user gets it: scripts/package.sh builds it,
# it is unpacked into an empty folder of the Wine prefix's drive C:, and both
# programs run from there: the console companion through a small build (the
# PDF judged by qpdf), the desktop program to its main window and out again,
# leaving its settings file beside it.
# Prints one line per failed check and a summary line; exits 1 on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC

if [ -z "${QUILLON_PACKAGE_DISPLAY:-}" ]; then
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  QUILLON_PACKAGE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { local what=$1; shift; if "$@"; then ok; else fail "$what"; fi; }
wait_for() { local tenths=$1; shift; for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done; return 1; }

zip=$(bash "$root/scripts/package.sh" 2>"$root/out/package-build.log" | tail -n 1)
check "package.sh writes out/dist/Quillon-1.0.52-win32.zip" [ "$zip" = out/dist/Quillon-1.0.52-win32.zip ]
zip="$root/$zip"
names=$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' ' ')
want="LICENSE.txt Quillon.exe README.txt quillon-cli.exe "
[ -f "$root/out/win32/src/Quillon.chm" ] && want="LICENSE.txt Quillon.chm Quillon.exe README.txt quillon-cli.exe "
check "archive holds [$want], has [$names]" [ "$names" = "$want" ]

# An empty folder on drive C:, far from the build tree.
drive_c="$WINEPREFIX/drive_c"
work=$(mktemp -d "$drive_c/quillon-package.XXXXXX")
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
wineserver -p 2>/dev/null
app="$work/Quillon"
mkdir -p "$app"
check "archive unpacks" unzip -q "$zip" -d "$app"
win="C:\\$(basename "$work")"

/usr/bin/convert -size 90x60 gradient:red-blue "$work/one.jpg"
/usr/bin/convert -size 40x70 xc:green "$work/two.png"
timeout 120 "$QUILLON_WINE" "$app/quillon-cli.exe" --quiet "$win\\album.pdf" "$win\\one.jpg" "$win\\two.png" </dev/null >/dev/null 2>&1
check "quillon-cli from the archive ends with 0 (got $?)" [ $? -eq 0 ]
qpdf_ok() { qpdf --check "$1" >/dev/null 2>&1; }
check "its PDF passes qpdf --check" qpdf_ok "$work/album.pdf"
check "its PDF has two pages" [ "$(pdfinfo "$work/album.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')" = 2 ]
check "the console companion writes no settings file" [ ! -e "$app/Quillon.ini" ]

title="Quillon 1.0.52"
windows() { xdotool search --onlyvisible --name "^$title\$" 2>/dev/null; }
"$QUILLON_WINE" "$app/Quillon.exe" </dev/null >/dev/null 2>&1 &
pid=$!
check "Quillon.exe from the archive opens its main window" wait_for 200 bash -c "[ -n \"\$(xdotool search --onlyvisible --name '^$title\$' 2>/dev/null)\" ]"
main=$(windows | head -n 1)
[ -n "$main" ] && xdotool key --window "$main" alt+F4
check "it asks before quitting" wait_for 100 bash -c "[ \$(xdotool search --onlyvisible --name '^$title\$' 2>/dev/null | wc -l) -ge 2 ]"
xdotool key Return
for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
check "it ends" bash -c "! kill -0 $pid 2>/dev/null"
kill "$pid" 2>/dev/null
check "Quillon.ini written beside the exe at exit" bash -c "head -c 5 '$app/Quillon.ini' 2>/dev/null | od -An -tx1 | grep -q 'ef bb bf 0d 0a'"
check "with the General group" grep -qx $'\\[General\\]\r' "$app/Quillon.ini"

echo "package: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
