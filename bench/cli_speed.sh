#!/usr/bin/env bash
# Speed of the console companion against its peers, on one corpus, in one run.
#
#   bash bench/cli_speed.sh [RUNS]      (default RUNS=3)
#
# Builds (once, cached in out/bench-corpus) 120 photos of 2400 x 1600 (JPEG),
# 40 document scans of 2480 x 3508 (8-bit gray PNG), then runs
# the jobs of the speed targets: quillon-cli (JPEG stored as is with and
# without probing, JPEG and PNG re-encoded, PNG scans passed through, and the
# photo set ten times over) against img2pdf, ImageMagick's convert (JPEG, and
# -compress Zip) and cat of the same bytes (the floor), all in one run. Prints
# seconds and peak memory of the median run and quillon's ratio to the peer.
# Not a test: scripts/test.sh does not run it. img2pdf is installed if missing.
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
  mkdir -p "$corpus/photos" "$corpus/scans" "$corpus/tmp"
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

# measure NAME COMMAND... : runs the command RUNS times (the slow jobs of a
# minute and more once); prints "seconds maxKB" of the median run.
measure() {
  local name=$1
  shift
  local times=() n=$runs
  case $name in q-png-photos | convert* | q-jpeg* | q-stored-1200) n=1 ;; esac
  for r in $(seq 1 "$n"); do
    rm -f "$result/out.pdf" "$result/out.pdf.log"
    if ! /usr/bin/time -f "%e %M" -o "$result/time" "$@" >/dev/null 2>"$result/stderr" ||
       [ ! -s "$result/out.pdf" ]; then
      echo "  $name failed: $(tail -n 3 "$result/stderr")" >&2
      echo "nan nan"
      return
    fi
    times+=("$(tail -n 1 "$result/time")")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (n + 1) / 2 ))p"
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

# One figure: "seconds peakMB" of the median run, kept under NAME.
declare -A secs mem
row() {  # row NAME COMMAND...
  local name=$1
  shift
  read -r secs[$name] mem[$name] < <(measure "$name" "$@")
}
q() { row "$1" bash -c 'quillon "$@"' quillon "$2" "${@:3}"; }
mb_of() { cat "$@" | wc -c | awk '{ printf "%.0f", $1 / 1048576 }'; }

photos=("$corpus"/photos/*)
scans=("$corpus"/scans/*)
# The photo set ten times over, under 1,200 names (hard links): the writer
# stores every distinct path once, so the copies must not share a name.
# Handed over as the folder: 1,200 paths do not fit a Windows command line.
if [ ! -f "$corpus/photos1200.done" ]; then
  mkdir -p "$corpus/photos1200"
  for k in $(seq 0 9); do
    for f in "${photos[@]}"; do ln -f "$f" "$corpus/photos1200/$k-$(basename "$f")"; done
  done
  touch "$corpus/photos1200.done"
fi

echo "quillon-cli ($QUILLON_WINE_ARCH build under $("$QUILLON_WINE" --version 2>/dev/null)), $(nproc) cores, median of $runs"
echo "photos: ${#photos[@]} x 2400x1600 JPEG, $(mb_of "${photos[@]}") MB; scans: ${#scans[@]} x 2480x3508 gray PNG, $(mb_of "${scans[@]}") MB"
echo "peak MB: the largest process's peak resident set (/usr/bin/time %M), for quillon the"
echo "Windows program itself under Wine (the persistent wineserver is not counted)"

# One run first, so that every measured run finds Wine's files in the cache.
quillon stored "${photos[0]}" >/dev/null 2>&1 || true
q q-stored stored "${photos[@]}"
q q-probed probed "${photos[@]}"
row img2pdf-photos img2pdf -o "$result/out.pdf" "${photos[@]}"
row cat-photos sh -c 'cat "$@" >"'"$result"'/out.pdf"' sh "${photos[@]}"
q q-jpeg jpeg "${photos[@]}"
row convert-jpeg env MAGICK_CONFIGURE_PATH="$policy" "$convert" "${photos[@]}" "pdfa:$result/out.pdf"
q q-png-photos png "${photos[@]}"
row convert-zip-photos env MAGICK_CONFIGURE_PATH="$policy" "$convert" "${photos[@]}" -compress Zip "pdfa:$result/out.pdf"
q q-png-scans png "${scans[@]}"
row img2pdf-scans img2pdf -o "$result/out.pdf" "${scans[@]}"
row convert-zip-scans env MAGICK_CONFIGURE_PATH="$policy" "$convert" "${scans[@]}" -compress Zip "pdfa:$result/out.pdf"
q q-stored-1200 stored "$corpus/photos1200"
q q-jpeg-1200 jpeg "$corpus/photos1200"

line() {  # line LABEL ROW PEER TARGET [memory]
  awk -v l="$1" -v s="${secs[$2]}" -v m="${mem[$2]}" -v ps="${secs[$3]}" -v pm="${mem[$3]}" -v peer="$3" -v t="$4" \
    -v memory="${5:-}" 'BEGIN {
      if (s == "nan" || ps == "nan") { printf "%-44s failed\n", l; exit }
      r = s / (ps > 0 ? ps : 0.005)
      printf "%-44s %7.2f s %6.0f MB | %-20s %7.2f s %6.0f MB | %5.2fx (target %s)", l, s, m / 1024, peer, ps, pm / 1024, r, t
      if (memory != "") printf ", memory %.3fx (target %s)", m / pm, memory
      printf "\n" }'
}
echo
printf '%-44s %18s | %-20s %18s | %s\n' "job" "quillon" "peer" "" "ratio"
line "photos, JPEG stored as is, no probing" q-stored img2pdf-photos "<= 1.0"
line "photos, stored as is, probing on" q-probed img2pdf-photos "<= 1.2"
line "photos, stored as is (floor: cat)" q-stored cat-photos "-"
line "photos, JPEG re-encode" q-jpeg convert-jpeg "<= 0.5" "<= 0.1"
line "photos, PNG re-encode" q-png-photos convert-zip-photos "<= 0.5"
line "scans, PNG path (passed through)" q-png-scans img2pdf-scans "<= 1.0"
line "scans, PNG path" q-png-scans convert-zip-scans "-"
line "1,200 photos stored, vs the 120-photo build" q-stored-1200 q-stored "-" "<= 1.3"
line "1,200 photos re-encoded, vs 120 photos" q-jpeg-1200 q-jpeg "-" "<= 1.3"
awk -v m="${mem[q-stored-1200]}" -v n="${mem[q-jpeg-1200]}" 'BEGIN {
  printf "peak memory of the 1,200-page builds: stored %.0f MB, re-encoded %.0f MB (target <= 400 MB)\n", m / 1024, n / 1024 }'
