#!/usr/bin/env bash
# Makes the README's picture of the main window with files in it: Quillon.exe
# under Xvfb, a folder of generated pictures dropped on its list through X11
# drag and drop, then the window captured to docs/main-window.png.
# Usage: scripts/screenshot.sh [OUTPUT.png]   (builds the program if needed)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
. scripts/wine-env.sh
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC
output=$(realpath -m "${1:-docs/main-window.png}")
cmake --preset "$QUILLON_WINE_ARCH" >/dev/null
cmake --build --preset "$QUILLON_WINE_ARCH" --target Quillon >/dev/null

work=$(mktemp -d /tmp/quillon-screenshot.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app" "$work/Holiday 2024"
cp "out/$QUILLON_WINE_ARCH/src/Quillon.exe" "$work/app/"
printf '\xef\xbb\xbf\r\n[PDF creation]\r\nPaperFormat = 1\r\n[General]\r\nConfirmations = 0\r\n' >"$work/app/Quillon.ini"
convert=/usr/bin/convert
i=0
for shape in "2400x1600 plasma:fractal" "1600x2400 gradient:navy-orange" "3000x2000 plasma:green-yellow" \
            "1200x1200 radial-gradient:white-teal" "2480x3508 xc:white" "4000x3000 plasma:fractal"; do
  i=$((i + 1))
  set -- $shape
  name=$(printf 'IMG_%04d.jpg' $((4810 + i * 7)))
  [ "$i" = 5 ] && name="scan page 1.png"
  "$convert" -size "$1" -seed "$i" "$2" "$work/Holiday 2024/$name"
done

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
export work output root
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p
  "$QUILLON_WINE" "$work/app/Quillon.exe" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 150); do
    w=$(xdotool search --onlyvisible --name "^Quillon 1.0.52\$" 2>/dev/null | head -1)
    [ -n "$w" ] && break
    sleep 0.1
  done
  /usr/bin/python3 "$root/tests/app/xdnd_drop.py" "$w" 400 300 "$work/Holiday 2024"
  sleep 4  # the intake, its closing pause, and the rows drawn
  mkdir -p "$(dirname "$output")"
  import -window "$w" "$output"
  wineserver -k'
echo "Screenshot: $output"
