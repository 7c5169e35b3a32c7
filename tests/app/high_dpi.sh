#!/usr/bin/env bash
# The windows at 144 DPI (150 %): the HighDpi tests, and the settings
# window's caption-against-control measure, run in a Wine prefix of their
# own whose DPI is set to 144, so that every other test keeps 96. Their
# screenshots land in out/<arch>/tests/screenshots-dpi144/screenshots/.
# Prints one line per failed check and "dpi: N checks passed, M failed".
# Every Wine call runs under a limit, so that a hang fails its check.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine-env.sh"
. "$root/tests/support/checks.sh"
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
exe="$root/out/$QUILLON_WINE_ARCH/tests/wintests_app.exe"
[ -x "$exe" ] || cmake --build --preset "$QUILLON_WINE_ARCH" --target wintests_app >/dev/null

# A copy of the project's prefix (fonts and settings included), made once.
base=$WINEPREFIX
export WINEPREFIX="$root/out/wineprefix-$QUILLON_WINE_ARCH-dpi144"
wineserver -k 2>/dev/null
timeout 60 wineserver -w 2>/dev/null
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  rm -rf "$WINEPREFIX"
  cp -a "$base" "$WINEPREFIX"
fi
timeout 120 "$QUILLON_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
check "LogPixels set to 144 (exit $?)" [ $? -eq 0 ]
timeout 60 wineserver -w || wineserver -k

group "at 144 DPI"
# A limit well above the 20 to 60 s the three tests take; past it the run
# fails its check below with exit 124.
log="$root/out/high-dpi-tests.log"
timeout --kill-after=10 300 xvfb-run -a -s "-screen 0 1600x1200x24" bash -c '
  mkdir -p "$(dirname "$2")/screenshots-dpi144" && cd "$(dirname "$2")/screenshots-dpi144" || exit 1
  wineserver -p
  timeout 120 "$QUILLON_WINE" "$1/out/$QUILLON_WINE_ARCH/tests/wineprime.exe" </dev/null >/dev/null 2>&1
  "$QUILLON_WINE" "$2" --gtest_filter="HighDpi.*:SettingsWindowTest.EveryTabShowsItsCaptionsUnclipped" </dev/null
  rc=$?
  wineserver -k
  exit $rc' _ "$root" "$exe" >"$log" 2>&1
rc=$?
[ "$rc" -eq 124 ] || [ "$rc" -eq 137 ] && wineserver -k 2>/dev/null
check "the tests pass at 144 DPI (exit $rc; see $log)" [ "$rc" -eq 0 ]
expect_eq "tests run, none skipped" "3 0" "$(grep -c '^\[       OK \]' "$log") $(grep -c '^\[  SKIPPED \]' "$log")"
shots="$root/out/$QUILLON_WINE_ARCH/tests/screenshots-dpi144/screenshots"
for shot in high_dpi_main_window high_dpi_message_0 settings_tab0 settings_tab3 high_dpi_about; do
  check "screenshot $shot" [ -s "$shots/$shot.bmp" ]
done

echo "dpi: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
