#!/usr/bin/env bash
# Speed of the console companion against its peers, on one corpus, in one run.
#
#   bash bench/cli_speed.sh [RUNS]      (default RUNS=3)
#
# Builds (once, cached in out/bench-corpus) 120 photos of 2400 x 1600 (JPEG),
# 40 document scans of 2480 x 3508 (8-bit gray PNG) and a mixed set, then times
# quillon-cli on three paths (JPEG stored as is, JPEG re-encoded, PNG) against
# img2pdf (lossless, the fastest common peer), ImageMagick's convert and plain
# cat of the same bytes (the floor). Prints medians, MB/s of input, pages/s,
# peak memory and the ratio of quillon's time to each peer's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-3}
convert=/usr/bin/convert  # /usr/local/bin/convert may be a stand-in

if ! command -v img2pdf >/dev/null; then
  echo "installing img2pdf ..." >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq img2pdf >/dev/null
fi
. scripts/wine-env.sh
exe="out/$QUILLON_WINE_ARCH/src/quillon-cli.exe"
if [ ! -x "$exe" ]; then
  cmake --preset "$QUILLON_WINE_ARCH" >/dev/null && cmake --build --preset "$QUILLON_WINE_ARCH" --target quillon-cli >&2
fi

corpus=out/bench-corpus
if [ ! -f "$corpus/done" ]; then
  echo "building the corpus in $corpus (once) ..." >&2
  mkdir -p "$corpus/photos" "$corpus/scans" "$corpus/mixed" "$corpus/tmp"
  # Photos: six noisy plasma scenes, each shifted and tinted twenty ways.
  [ -f "$corpus/photos/photo-120.jpg" ] || for b in 1 2 3 4 5 6; do
    "$convert" -size 2400x1600 -seed $b plasma:fractal -blur 0x1.2 -attenuate 0.4 +noise Gaussian \
      "$corpus/tmp/base$b.ppm"
  done
  [ -f "$corpus/photos/photo-120.jpg" ] || for i in $(seq 1 120); do
    b=$(( (i - 1) % 6 + 1 ))
    "$convert" "$corpus/tmp/base$b.ppm" -roll +$((i * 37))+$((i * 23)) -modulate 100,$((90 + i % 25)),$((95 + i % 10)) \
      -sampling-factor 2x2 -quality 90 "$corpus/photos/photo-$(printf %03d "$i").jpg"
  done
  # Scans: A4 at 300 dpi, lines of "words" on white, a little paper noise.
  for b in 1 2 3 4; do
    awk -v seed=$b 'BEGIN { srand(seed); print "fill black";
      for (y = 250; y < 3300; y += 55) { x = 220;
        while (x < 2200) { w = 30 + int(rand() * 160); if (x + w > 2260) break;
          printf "rectangle %d,%d %d,%d\n", x, y, x + w, y + 24 + int(rand() * 6); x += w + 18 + int(rand() * 10) } } }' \
      >"$corpus/tmp/page$b.mvg"
    "$convert" -size 2480x3508 xc:white -draw "$(cat "$corpus/tmp/page$b.mvg")" -attenuate 0.15 +noise Uniform \
      -colorspace Gray -depth 8 "$corpus/tmp/page$b.png"
  done
  for i in $(seq 1 40); do
    b=$(( (i - 1) % 4 + 1 ))
    "$convert" "$corpus/tmp/page$b.png" -roll +0+$((i * 11)) -depth 8 "$corpus/scans/scan-$(printf %03d "$i").png"
  done
  rm -f "$corpus"/mixed/*
  # Mixed: 30 photos, 10 scans and 10 RGB screenshots (PNG).
  for i in $(seq 1 30); do cp "$corpus/photos/photo-$(printf %03d $((i * 4))).jpg" "$corpus/mixed/"; done
  for i in $(seq 1 10); do cp "$corpus/scans/scan-$(printf %03d $((i * 4))).png" "$corpus/mixed/"; done
  for i in $(seq 1 10); do
    "$convert" -size 1920x1080 gradient:"#204080"-"#f0f0f0" -fill white -draw "rectangle 100,100 $((900 + i * 40)),700" \
      -fill black -draw "$(cat "$corpus/tmp/page1.mvg")" -crop 1920x1080+0+0 +repage -depth 8 "$corpus/mixed/screen-$(printf %03d "$i").png"
  done
  rm -rf "$corpus/tmp"
  touch "$corpus/done"
fi

# ImageMagick as Debian ships it may use 256 MiB and 1 GiB of disk and may not
# write "PDF": raise the limits for a set of 120 photos and write through the
# same PDF writer under its PDF/A name.
policy=$(mktemp -d)
cat >"$policy/policy.xml" <<'XML'
<policymap>
  <policy domain="resource" name="memory" value="8GiB"/>
  <policy domain="resource" name="map" value="8GiB"/>
  <policy domain="resource" name="area" value="4GP"/>
  <policy domain="resource" name="disk" value="16GiB"/>
</policymap>
XML
result=$(mktemp -d /tmp/quillon-bench.XXXXXX)
trap 'rm -rf "$policy" "$result"; wineserver -k 2>/dev/null || true' EXIT
wineserver -k 2>/dev/null || true
wineserver -p  # a warm server: every run pays the program's start, not Wine's

to_windows() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }

# measure NAME COMMAND... : runs the command RUNS times; prints "seconds maxKB" of the median run.
measure() {
  local name=$1
  shift
  local times=()
  for r in $(seq 1 "$runs"); do
    rm -f "$result/out.pdf" "$result/out.pdf.log"
    if ! /usr/bin/time -f "%e %M" -o "$result/time" "$@" >/dev/null 2>"$result/stderr" ||
       [ ! -s "$result/out.pdf" ]; then
      echo "  $name failed: $(tail -n 3 "$result/stderr")" >&2
      echo "nan nan"
      return
    fi
    times+=("$(tail -n 1 "$result/time")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

quillon() {  # quillon MODE FILES... (settings of one path; progress off)
  local mode=$1
  shift
  local sets=(--set Preprocessing=0 --set PaperFormat=6 --set ImageScaling=100 --set SortAfterDrop=1)
  case $mode in
    stored) sets+=(--set JpgNoRecompression=1 --set JpgCompression=1) ;;
    # The same with every file probed when it is added, as the window's
    # default does: the difference is one GDI+ open per file.
    probed) sets+=(--set JpgNoRecompression=1 --set JpgCompression=1 --set Preprocessing=1) ;;
    jpeg) sets+=(--set JpgNoRecompression=0 --set JpgCompression=1 --set JpgQuality=8) ;;
    png) sets+=(--set JpgNoRecompression=0 --set JpgCompression=0) ;;
  esac
  local args=()
  for f in "$@"; do args+=("$(to_windows "$root/$f")"); done
  "$QUILLON_WINE" "$exe" --settings "$(to_windows "$result/none.ini")" --quiet "${sets[@]}" \
    "$(to_windows "$result/out.pdf")" "${args[@]}"
}
: >"$result/none.ini"
export -f quillon to_windows
export exe result root

report_set() {  # report_set TITLE DIR MODES...
  local title=$1 dir=$2
  shift 2
  local files=("$dir"/*)
  local pages=${#files[@]}
  local bytes
  bytes=$(cat "${files[@]}" | wc -c)
  local mb
  mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1048576 }')
  echo
  echo "== $title: $pages files, $mb MB (median of $runs runs)"
  printf '%-28s %9s %9s %9s %10s %11s %11s\n' "" "seconds" "MB/s" "pages/s" "peak MB" "vs img2pdf" "vs convert"
  declare -A secs mem
  local rows=()
  for mode in "$@"; do
    read -r secs[q-$mode] mem[q-$mode] < <(measure "quillon $mode" bash -c 'quillon "$@"' quillon "$mode" "${files[@]}")
    rows+=("q-$mode")
  done
  read -r secs[img2pdf] mem[img2pdf] < <(measure img2pdf img2pdf -o "$result/out.pdf" "${files[@]}")
  read -r secs[convert] mem[convert] < <(measure convert env MAGICK_CONFIGURE_PATH="$policy" "$convert" \
    "${files[@]}" "pdfa:$result/out.pdf")
  read -r secs[cat] mem[cat] < <(measure cat sh -c 'cat "$@" >"'"$result"'/out.pdf"' sh "${files[@]}")
  for row in "${rows[@]}" img2pdf convert cat; do
    local label=$row
    case $row in
      q-stored) label="quillon, JPEG stored as is" ;;
      q-probed) label="quillon, stored + probing" ;;
      q-jpeg) label="quillon, JPEG re-encoded" ;;
      q-png) label="quillon, PNG" ;;
      cat) label="cat (floor)" ;;
    esac
    local s=${secs[$row]}
    awk -v l="$label" -v s="$s" -v m="${mem[$row]}" -v mb="$mb" -v p="$pages" -v i="${secs[img2pdf]}" \
      -v c="${secs[convert]}" -v q="$row" 'BEGIN {
        if (s == "nan") { printf "%-28s %9s\n", l, "failed"; exit }
        t = (s > 0 ? s : 0.005)
        vi = (q ~ /^q-/) ? sprintf("%.2fx", t / (i > 0 ? i : 0.005)) : ""
        vc = (q ~ /^q-/) ? sprintf("%.2fx", t / (c > 0 ? c : 0.005)) : ""
        printf "%-28s %9.2f %9.1f %9.1f %10.0f %11s %11s\n", l, s, mb / t, p / t, m / 1024, vi, vc }'
  done
}

echo "quillon-cli ($QUILLON_WINE_ARCH build under $("$QUILLON_WINE" --version 2>/dev/null)), $(nproc) cores"
echo "ratios are quillon's time over the peer's: below 1.00 quillon is faster"
report_set "photos (JPEG 2400 x 1600)" "$corpus/photos" stored probed jpeg png
report_set "scans (gray PNG 2480 x 3508)" "$corpus/scans" jpeg png
report_set "mixed (30 photos, 10 scans, 10 screenshots)" "$corpus/mixed" stored jpeg png
