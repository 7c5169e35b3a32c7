#!/usr/bin/env bash
# Sets the machine up, builds Quillon and starts it under Wine.
# Without an X display (a headless machine) it runs inside Xvfb and saves a
# screenshot after a few seconds to out/quillon-screenshot.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
. scripts/wine-env.sh

cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Quillon
exe=out/win32/src/Quillon.exe
if [ "$QUILLON_WINE_ARCH" = win64 ]; then
  echo "This host cannot run 32-bit programs; starting the x86-64 build of the same sources."
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target Quillon
  exe=out/win64/src/Quillon.exe
fi

if [ -n "${DISPLAY:-}" ]; then
  exec "$QUILLON_WINE" "$exe"
fi
echo "No X display: running under Xvfb; a screenshot follows in out/quillon-screenshot.png."
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$QUILLON_WINE" "'"$exe"'" &
  sleep 6
  import -window root out/quillon-screenshot.png
  wineserver -k' || true
echo "Screenshot: out/quillon-screenshot.png"
