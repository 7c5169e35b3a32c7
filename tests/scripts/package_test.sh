#!/usr/bin/env bash
# The release archive as a Windows user gets it: scripts/package.sh builds it,
# it is unpacked into an empty folder of the Wine prefix's drive C:, and both
# programs run from there: the console companion through a small build (the
# PDF judged by qpdf), the desktop program to its main window and out again,
# leaving its settings file beside it. Then the installer: msiexec installs
# it into Program Files with its Start-menu shortcut and uninstall entry; the
# installed program, run with that folder read-only as for a user who is no
# administrator, keeps its settings in the user's application data; msiexec
# removes it all again but those settings.
# Prints one line per failed check and a summary line; exits 1 on any failure.
# Every Wine and X call runs under a limit, so that a hang fails its check
# instead of holding the suite.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC

if [ -z "${QUILLON_PACKAGE_DISPLAY:-}" ]; then
  wineserver -k 2>/dev/null
  timeout 60 wineserver -w 2>/dev/null
  QUILLON_PACKAGE_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

passed=0
failed=0
ok() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { local what=$1; shift; if "$@"; then ok; else fail "$what"; fi; }
wait_for() { local tenths=$1; shift; for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done; return 1; }
gone() { ! kill -0 "$1" 2>/dev/null; }

written=$(bash "$root/scripts/package.sh" 2>"$root/out/package-build.log")
zip=$(sed -n 1p <<<"$written")
msi=$(sed -n 2p <<<"$written")
check "package.sh writes out/dist/Quillon-1.0.52-win32.zip" [ "$zip" = out/dist/Quillon-1.0.52-win32.zip ]
check "package.sh writes out/dist/Quillon-1.0.52-win32.msi" [ "$msi" = out/dist/Quillon-1.0.52-win32.msi ]
zip="$root/$zip"
names=$(unzip -Z1 "$zip" 2>/dev/null | sort | tr '\n' ' ')
want="LICENSE.txt Quillon.exe README.txt quillon-cli.exe "
[ -f "$root/out/win32/src/Quillon.chm" ] && want="LICENSE.txt Quillon.chm Quillon.exe README.txt quillon-cli.exe "
check "archive holds [$want], has [$names]" [ "$names" = "$want" ]
msi="$root/$msi"
# The installer's File table, as "Name|LongName" or "LongName" per row.
msi_files() { msiinfo export "$1" File 2>/dev/null | tail -n +4 | cut -f3 | sed 's/.*|//' | sort | tr '\n' ' '; }
want_msi="LICENSE.txt Quillon.chm Quillon.exe README.txt quillon-cli.exe "
if command -v msiinfo >/dev/null; then
  check "installer holds [$want_msi], has [$(msi_files "$msi")]" [ "$(msi_files "$msi")" = "$want_msi" ]
fi

# A host without 32-bit support runs the x86-64 build, packed the same way
# under test-only names; the 32-bit installer then lands in Program Files
# (x86), its uninstall entry in the registry's 32-bit view, as on 64-bit
# Windows.
program_files="Program Files"
reg_view=()
if [ "$QUILLON_WINE_ARCH" = win64 ]; then
  echo "package: this host runs no 32-bit code: the programs run are the x86-64 build's, packed the same way"
  written=$(bash "$root/scripts/package.sh" --test-build win64 2>>"$root/out/package-build.log")
  check "package.sh --test-build win64 writes test-only names" \
    [ "$written" = $'out/dist/test-win64/Quillon-1.0.52-win64-test.zip\nout/dist/test-win64/Quillon-1.0.52-win64-test.msi' ]
  zip="$root/$(sed -n 1p <<<"$written")"
  msi="$root/$(sed -n 2p <<<"$written")"
  program_files="Program Files (x86)"
  reg_view=(/reg:32)
fi

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
windows() { timeout 10 xdotool search --onlyvisible --name "^$title\$" 2>/dev/null; }
window_up() { [ -n "$(windows)" ]; }
question_up() { [ "$(windows | wc -l)" -ge 2 ]; }
# run_desktop WHERE EXE: starts the desktop program, closes its window,
# answers Yes to the quit question and waits for it to end; ended by its
# pid when it is still there after that.
run_desktop() {
  local where=$1 exe=$2 pid main
  "$QUILLON_WINE" "$exe" </dev/null >/dev/null 2>&1 &
  pid=$!
  check "Quillon.exe $where opens its main window" wait_for 200 window_up
  main=$(windows | head -n 1)
  [[ "$main" =~ ^[0-9]+$ ]] && timeout 10 xdotool key --window "$main" alt+F4
  check "it asks before quitting" wait_for 100 question_up
  timeout 10 xdotool key Return
  check "it ends" wait_for 100 gone "$pid"
  kill -9 "$pid" 2>/dev/null
}
settings_file_ok() { head -c 5 "$1" 2>/dev/null | od -An -tx1 | grep -q 'ef bb bf 0d 0a' && grep -qx $'\\[General\\]\r' "$1"; }

run_desktop "from the archive" "$app/Quillon.exe"
check "Quillon.ini written beside the exe at exit, with the General group" settings_file_ok "$app/Quillon.ini"

# The installer.
installed="$drive_c/$program_files/Quillon"
appdata=$(find "$drive_c/users" -maxdepth 3 -type d -path '*/AppData/Roaming' | head -n 1)
user_ini="$appdata/Quillon/Quillon.ini"
rm -rf "$appdata/Quillon"
timeout 300 "$QUILLON_WINE" msiexec /i "$(timeout 60 "$QUILLON_WINE" winepath -w "$msi" 2>/dev/null)" /qn </dev/null >/dev/null 2>&1
check "msiexec /i ends with 0 (got $?)" [ $? -eq 0 ]
for file in Quillon.exe quillon-cli.exe Quillon.chm README.txt LICENSE.txt; do
  check "$file installed into $program_files" [ -s "$installed/$file" ]
done
shortcuts() { find "$drive_c" -name 'Quillon.lnk' 2>/dev/null | grep -c -e 'Start Menu' -e 'SendTo'; }
check "a Start-menu shortcut (and no Send To one unless asked for)" [ "$(shortcuts)" = 1 ]
uninstall_entry() { timeout 120 "$QUILLON_WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "${reg_view[@]}" </dev/null 2>/dev/null | grep -c 'DisplayName.*Quillon'; }
check "an uninstall entry" [ "$(uninstall_entry)" -ge 1 ]

# Program Files as a user without administrator rights sees it: read-only.
# Root writes anywhere, so the folder is mounted read-only in a namespace of
# this run's own, with a Wine server started inside it.
wineserver -k 2>/dev/null
timeout 60 wineserver -w 2>/dev/null
export -f run_desktop check ok fail wait_for windows window_up question_up gone
export title QUILLON_WINE
readonly_run=$(timeout --kill-after=10 300 unshare -m bash -c '
  mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" || exit 3
  passed=0 failed=0
  wineserver -p
  run_desktop "installed, in a read-only Program Files" "$1/Quillon.exe"
  wineserver -k
  echo "$passed $failed"' _ "$installed")
read -r ro_passed ro_failed <<<"$(tail -n 1 <<<"$readonly_run")"
grep FAIL <<<"$readonly_run"
passed=$((passed + ${ro_passed:-0})) failed=$((failed + ${ro_failed:-1}))
wineserver -p 2>/dev/null
check "its settings saved in the user's application data" settings_file_ok "$user_ini"
check "and none beside the installed program" [ ! -e "$installed/Quillon.ini" ]

timeout 300 "$QUILLON_WINE" msiexec /x "$(timeout 60 "$QUILLON_WINE" winepath -w "$msi" 2>/dev/null)" /qn </dev/null >/dev/null 2>&1
check "msiexec /x ends with 0 (got $?)" [ $? -eq 0 ]
check "the programs are gone" [ ! -e "$installed/Quillon.exe" -a ! -e "$installed/quillon-cli.exe" ]
check "the shortcut is gone" [ "$(shortcuts)" = 0 ]
check "the uninstall entry is gone" [ "$(uninstall_entry)" = 0 ]
check "the user's settings stay" settings_file_ok "$user_ini"
rm -rf "$appdata/Quillon"

echo "package: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
