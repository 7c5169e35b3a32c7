#!/usr/bin/env bash
# End-to-end tests of the console companion: real image files made here with
# ImageMagick go through bin/quillon-cli (the Windows program under Wine), and
# real tools judge the result: qpdf --check, pdfinfo, pdftoppm.
# Needs the Windows build (scripts/test.sh builds it before running this).
# Prints one line per failed check and a summary line; exits 1 on any failure.
# KEEP=1 keeps the work folder for a look at the files.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cli="$root/bin/quillon-cli"
convert=/usr/bin/convert  # /usr/local/bin/convert may be a stand-in
compare=/usr/bin/compare
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=UTC

work=$(mktemp -d /tmp/quillon-e2e.XXXXXX)
. "$root/scripts/wine-env.sh"
started_server=0
cleanup() {
  [ $started_server = 1 ] && wineserver -k 2>/dev/null
  [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
# One server for all the runs: each program then starts in milliseconds.
wineserver -p 2>/dev/null && started_server=1

. "$root/tests/support/checks.sh"

# run OUT ERR args... : runs the companion, stdout and stderr to files; sets rc.
rc=0
run() {
  local out=$1 err=$2
  shift 2
  timeout 120 "$cli" "$@" >"$out" 2>"$err" </dev/null
  rc=$?
}

winpath() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
pages() { pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p'; }
# "W x H" of one page in points, as pdfinfo prints it.
page_size() { pdfinfo -f "$2" -l "$2" "$1" 2>/dev/null | sed -n "s/^Page *$2 size: *\([0-9.]*\) x \([0-9.]*\) pts.*/\1 x \2/p"; }
qpdf_ok() { qpdf --check "$1" >/dev/null 2>&1; }
# Normalised RMSE (0..1) between page N rendered at 72 dpi and a reference image.
render_distance() {
  local pdf=$1 page=$2 ref=$3 tmp="$work/render-$2"
  pdftoppm -r 72 -f "$page" -l "$page" -singlefile "$pdf" "$tmp" || { echo 1; return; }
  "$compare" -metric RMSE "$tmp.ppm" "$ref" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'
}
close_to() { awk -v d="$1" -v max="$2" 'BEGIN { exit !(d != "" && d + 0 <= max + 0) }'; }
log_pages() { grep -c '^\[OK\] Page ' "$1.log"; }

# ---------------------------------------------------------------- the files
src="$work/images"
mkdir -p "$src/nested"
"$convert" -size 320x240 -seed 7 plasma:red-blue -quality 92 "$src/01-photo.jpg"
"$convert" -size 240x320 xc:white -fill black -draw "rectangle 20,30 220,50" -draw "rectangle 20,80 180,95" \
  -draw "rectangle 20,120 200,135" -colorspace Gray -depth 8 "$src/02-scan.png"
"$convert" -size 200x150 gradient:yellow-green \( -size 200x150 gradient:white-black \) -alpha off \
  -compose CopyOpacity -composite "$src/03-alpha.png"
"$convert" -size 160x120 gradient:'#102030'-'#f0e0d0' -depth 16 "$src/04-deep16.png"
"$convert" -size 180x120 -seed 3 plasma:green-yellow -colors 16 "$src/05-palette.gif"
"$convert" -size 200x160 -seed 5 plasma:white-gray -colorspace Gray -quality 90 "$src/06-gray.jpg"
"$convert" -size 200x160 -seed 9 plasma:orange-purple -colorspace CMYK -quality 90 "$src/07-cmyk.jpg"
"$convert" -size 220x170 gradient:navy-pink -compress lzw "$src/08-scan.tif"
"$convert" -size 150x110 gradient:red-cyan -type TrueColor "BMP3:$src/09-pic.bmp"
"$convert" -size 400x300 -seed 2 plasma:blue-white -quality 90 "$work/whole.jpg"
head -c 700 "$work/whole.jpg" >"$src/10-damaged.jpg"
printf 'not an image\n' >"$src/11-notes.txt"
"$convert" -size 120x90 gradient:gray-white "$src/nested/12-inner.png"

# References as the pages should look: alpha flattened onto black (the build
# draws every image on a black canvas), CMYK as RGB.
ref="$work/ref"
mkdir -p "$ref"
for f in "$src"/0*; do
  b=$(basename "$f")
  "$convert" "$f" -background black -alpha remove -colorspace sRGB -depth 8 "$ref/${b%.*}.ppm"
done
images=(01-photo.jpg 02-scan.png 03-alpha.png 04-deep16.png 05-palette.gif 06-gray.jpg 07-cmyk.jpg 08-scan.tif 09-pic.bmp)
sizes=("320 x 240" "240 x 320" "200 x 150" "160 x 120" "180 x 120" "200 x 160" "200 x 160" "220 x 170" "150 x 110")

# ------------------------------------------------------- a folder, defaults
group "folder with defaults (probing, paperless, JPEG)"
out="$work/out"
mkdir -p "$out"
pdf="$out/all.pdf"
run "$work/o1" "$work/e1" "$pdf" "$src"
expect_eq "exit status (two files refused)" 1 "$rc"
check "refused files announced" contains "$work/e1" "Some files (2) were skipped, format not supported."
check "damaged JPEG listed with its full path" contains "$work/e1" "$(winpath "$src/10-damaged.jpg")"
check "text file listed" contains "$work/e1" "$(winpath "$src/11-notes.txt")"
check "subfolder not searched" lacks "$work/e1" "12-inner"
check "qpdf --check" qpdf_ok "$pdf"
expect_eq "page count" 9 "$(pages "$pdf")"
for i in "${!images[@]}"; do
  n=$((i + 1))
  expect_eq "page $n size (paperless = image size)" "${sizes[$i]}" "$(page_size "$pdf" $n)"
  d=$(render_distance "$pdf" $n "$ref/${images[$i]%.*}.ppm")
  # Re-encoded as JPEG and drawn by the renderer; a dithered palette image
  # suffers most from JPEG.
  limit=0.05
  [ "${images[$i]}" = 05-palette.gif ] && limit=0.08
  check "page $n (${images[$i]}) looks like its source (RMSE $d)" close_to "$d" $limit
done
check "progress line per file" contains "$work/e1" "1 of 9  01-photo.jpg"
check "saving announced" contains "$work/e1" "Saving PDF to disk, please wait ..."
check "nothing on standard output" test ! -s "$work/o1"
expect_eq "log page lines" 9 "$(log_pages "$pdf")"
check "log header" contains "$pdf.log" "Quillon 1.0.52 (x86)"
check "log summary" contains "$pdf.log" "Image compression = JPG (quality: 8)"
check "log first page" contains "$pdf.log" "[OK] Page 1: $(winpath "$src/01-photo.jpg") ("
check "log report" contains "$pdf.log" "Files processed   : 9 ("
check "log: the build itself met no error" contains "$pdf.log" "NO ERRORS"
check "log lines end in CR LF" grep -q $'^Paper format = Paperless\r$' "$pdf.log"

# ------------------------------------------------- one page taken out alone
group "pages taken out alone carry their own picture"
# Each page names only its own image: a page taken out by poppler or MuPDF
# weighs its picture and little more, and still shows it.
pdf="$out/all.pdf"
mkdir -p "$work/alone"
pdfimages -all "$pdf" "$work/alone/img"
pdfseparate "$pdf" "$work/alone/poppler-%d.pdf"
for i in "${!images[@]}"; do
  n=$((i + 1))
  mutool clean -g "$pdf" "$work/alone/mupdf-$n.pdf" $n 2>/dev/null  # -g: without what no page uses
  limit=$(( $(stat -c %s "$work/alone/img-$(printf %03d $i).jpg") + 3072 ))
  for tool in poppler mupdf; do
    page="$work/alone/$tool-$n.pdf"
    check "$tool page $n within its picture's size and 3 KB ($(stat -c %s "$page") <= $limit)" \
      test "$(stat -c %s "$page")" -le $limit
    check "$tool page $n passes qpdf --check" qpdf_ok "$page"
    d=$(render_distance "$page" 1 "$ref/${images[$i]%.*}.ppm")
    check "$tool page $n shows ${images[$i]} (RMSE $d)" close_to "$d" 0.08
  done
done
# (This MuPDF is built without colour management and says so.)
check "MuPDF reads every page without a word" \
  bash -c "[ -z \"\$(mutool draw -q -o /dev/null '$pdf' 2>&1 | grep -v 'ICC support is not available')\" ]"
check "Ghostscript reads every page without a word" \
  bash -c "[ -z \"\$(gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=nullpage '$pdf' 2>&1)\" ]"
pdf="$out/header.pdf"
run "$work/o" "$work/e" --quiet --set PaperFormat=1 --set DisplayHeader=1 "$pdf" "$src/01-photo.jpg" "$src/02-scan.png"
pdfseparate -f 2 -l 2 "$pdf" "$work/alone/header-2.pdf"
check "a page taken out keeps its header text" contains <(pdftotext "$work/alone/header-2.pdf" - 2>&1) "02-scan.png"
check "header page passes qpdf --check" qpdf_ok "$work/alone/header-2.pdf"

# ------------------------------------------- everything to the build, PNG
group "no probing, PNG, recursive, missing path"
pdf="$out/png.pdf"
run "$work/o2" "$work/e2" --set Preprocessing=0 --set JpgCompression=0 --set enablesubfolders=1 \
  "$pdf" "$src" "$work/no such file.jpg"
expect_eq "exit status" 1 "$rc"
expect_eq "page count (nine images and the nested one)" 10 "$(pages "$pdf")"
check "qpdf --check" qpdf_ok "$pdf"
check "log: PNG" contains "$pdf.log" "Image compression = PNG (lossless)"
check "log: damaged JPEG skipped" contains "$pdf.log" "[ERR] $(winpath "$src/10-damaged.jpg") skipped, unsupported file type !"
check "log: text file skipped" contains "$pdf.log" "[ERR] $(winpath "$src/11-notes.txt") skipped, unsupported file type !"
check "log: missing file" contains "$pdf.log" "[ERR] $(winpath "$work/no such file.jpg") is missing !"
check "log: with errors" contains "$pdf.log" "!!! COMPLETED WITH ERRORS !!!"
check "errors message" contains "$work/e2" "There were some errors processing the files ..."
check "errors message counts" contains "$work/e2" "Files skipped : 2"
check "errors message names the log" contains "$work/e2" "Please see the log  \"$(winpath "$pdf").log\""
# Lossless: the embedded pixels are the source's (within 1 % per channel,
# for the 16-bit file brought to 8 bits and decoders' rounding).
mkdir -p "$work/embedded"
pdfimages -png "$pdf" "$work/embedded/img"
for i in "${!images[@]}"; do
  differing=$("$compare" -metric AE -fuzz 1% "$work/embedded/img-$(printf %03d "$i").png" \
    "$ref/${images[$i]%.*}.ppm" null: 2>&1)
  expect_eq "embedded pixels of ${images[$i]}" 0 "$differing"
done

# ------------------------------------------------------- progress on a tty
group "progress on a terminal"
if command -v script >/dev/null; then
  script -qec "$cli $out/tty.pdf $src/01-photo.jpg $src/02-scan.png" /dev/null >"$work/tty" 2>&1 </dev/null
  expect_eq "exit status through a terminal" 0 "$?"
  check "one rewritten line with a bar" grep -qF "2 of 2 [####################] 02-scan.png" "$work/tty"
  check "no per-file lines on a terminal" lacks "$work/tty" "2 of 2  02-scan.png"
fi

# --------------------------------------- files the platform's decoders get wrong
group "decoder safety: a GIF without colours, a red transparent entry, run-length skips"
fixtures="$root/tests/imaging/fixtures"
odd="$work/odd"
mkdir -p "$odd"
cp "$fixtures/no-colour-table.gif" "$fixtures/transparent-red.gif" "$fixtures/rle-skips.bmp" "$odd/"
for f in transparent-red.gif rle-skips.bmp; do
  "$convert" "$odd/$f" -background black -alpha remove -colorspace sRGB -depth 8 "$ref/${f%.*}.ppm" 2>/dev/null
done
# Probing refuses the GIF at intake (JPEG pages); without probing the build
# skips it (lossless pages), the run-length file now after other images.
# The lists stay in the order given.
run "$work/o" "$work/e" --set SortAfterDrop=0 "$out/odd-probed.pdf" "$odd/rle-skips.bmp" "$src/01-photo.jpg" \
  "$odd/transparent-red.gif" "$odd/no-colour-table.gif"
expect_eq "exit status with the GIF refused at intake" 1 "$rc"
check "the GIF listed as refused" contains "$work/e" "no-colour-table.gif"
run "$work/o" "$work/e" --set SortAfterDrop=0 --set Preprocessing=0 --set JpgCompression=0 "$out/odd-built.pdf" "$src/01-photo.jpg" \
  "$src/09-pic.bmp" "$odd/no-colour-table.gif" "$odd/transparent-red.gif" "$odd/rle-skips.bmp"
expect_eq "exit status with the GIF skipped at build" 1 "$rc"
check "log: the GIF skipped" contains "$out/odd-built.pdf.log" "no-colour-table.gif skipped, unsupported file type !"
for pdf in "$out/odd-probed.pdf" "$out/odd-built.pdf"; do
  check "qpdf --check $(basename "$pdf")" qpdf_ok "$pdf"
done
expect_eq "pages without the GIF" "3 4" "$(pages "$out/odd-probed.pdf") $(pages "$out/odd-built.pdf")"
# The embedded pixels against ImageMagick's on black: exact when lossless;
# a tiny picture with hard edges loses more to JPEG than a photo does.
mkdir -p "$work/odd-embedded"
for case_ in "odd-probed 0 rle-skips 0.1" "odd-probed 2 transparent-red 0.1" "odd-built 3 rle-skips 0" \
  "odd-built 2 transparent-red 0"; do
  read -r name index image limit <<<"$case_"
  pdfimages -png "$out/$name.pdf" "$work/odd-embedded/$name"
  embedded="$work/odd-embedded/$name-$(printf %03d "$index").png"
  if [ "$limit" = 0 ]; then
    expect_eq "$name image $index ($image) exactly as ImageMagick has it on black" 0 \
      "$("$compare" -metric AE "$embedded" "$ref/$image.ppm" null: 2>&1)"
  else
    d=$("$compare" -metric RMSE "$embedded" "$ref/$image.ppm" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
    check "$name image $index ($image) close to ImageMagick's on black (RMSE $d)" close_to "$d" "$limit"
  fi
done

# ------------------------------------------------------------ paper sizes
group "paper formats"
for case_ in "1 1 595.28 x 841.89" "1 2 841.89 x 595.28" "4 1 612 x 792"; do
  read -r format orientation expected <<<"$case_"
  pdf="$out/paper-$format-$orientation.pdf"
  run "$work/o" "$work/e" --quiet --set PaperFormat=$format --set PaperOrientation=$orientation \
    "$pdf" "$src/01-photo.jpg" "$src/02-scan.png"
  expect_eq "exit status" 0 "$rc"
  expect_eq "format $format orientation $orientation page 1" "$expected" "$(page_size "$pdf" 1)"
  expect_eq "format $format orientation $orientation page 2" "$expected" "$(page_size "$pdf" 2)"
  check "--quiet writes nothing" test ! -s "$work/e"
done
# A small image keeps its true size, centred: rendered at 72 dpi the photo
# sits in the middle of a white A4 page.
d=""
pdftoppm -r 72 -f 1 -l 1 -singlefile "$out/paper-1-1.pdf" "$work/a4" &&
  "$convert" "$work/a4.ppm" -gravity center -crop 320x240+0+0 +repage "$work/a4-middle.ppm" &&
  d=$("$compare" -metric RMSE "$work/a4-middle.ppm" "$ref/01-photo.ppm" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
check "true size, centred on A4 (RMSE $d)" close_to "$d" 0.05

# --------------------------------------------------------- JPEG stored as is
group "JPEG stored as is"
pdf="$out/stored.pdf"
run "$work/o" "$work/e" --set JpgNoRecompression=1 --set SortAfterDrop=0 "$pdf" "$src/01-photo.jpg" "$src/06-gray.jpg" \
  "$src/02-scan.png" "$src/07-cmyk.jpg"
expect_eq "exit status" 0 "$rc"
expect_eq "page count" 4 "$(pages "$pdf")"
check "qpdf --check" qpdf_ok "$pdf"
# Gray and CMYK JPEG files go in byte for byte, in their own colour spaces.
mkdir -p "$work/extracted"
pdfimages -j "$pdf" "$work/extracted/i"
check "gray JPEG extracted byte for byte" cmp -s "$work/extracted/i-001.jpg" "$src/06-gray.jpg"
check "CMYK JPEG extracted byte for byte" cmp -s "$work/extracted/i-003.jpg" "$src/07-cmyk.jpg"
pdfimages -list "$pdf" >"$work/list"
expect_eq "colour spaces" "rgb gray rgb cmyk" "$(awk 'NR > 2 { printf "%s%s", sep, $6; sep = " " }' "$work/list")"
check "log: gray JPEG stored at 100 %" contains "$pdf.log" "[OK] Page 2: $(winpath "$src/06-gray.jpg") (100 %)"
check "log: CMYK JPEG stored at 100 %" contains "$pdf.log" "[OK] Page 4: $(winpath "$src/07-cmyk.jpg") (100 %)"
expect_eq "CMYK page size" "200 x 160" "$(page_size "$pdf" 4)"
# Readers turn CMYK into RGB each their own way (poppler and Ghostscript
# without a colour profile, MuPDF here too): near ImageMagick's, far from
# it when the inversion is missed.
pdftoppm -r 72 -f 4 -l 4 -singlefile "$pdf" "$work/cmyk-poppler"
mutool draw -q -c rgb -r 72 -o "$work/cmyk-mupdf.pnm" "$pdf" 4 2>/dev/null
gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=ppmraw -r72 -dFirstPage=4 -dLastPage=4 -sOutputFile="$work/cmyk-gs.ppm" "$pdf"
for shown in cmyk-poppler.ppm cmyk-mupdf.pnm cmyk-gs.ppm; do
  d=$("$compare" -metric RMSE "$work/$shown" "$ref/07-cmyk.ppm" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  check "CMYK page in ${shown%.*} (RMSE $d)" close_to "$d" 0.15
done
check "photo bytes inside the PDF unchanged" python3 -c '
import sys
pdf, jpg = (open(p, "rb").read() for p in sys.argv[1:3])
start = pdf.find(jpg)
sys.exit(0 if start > 0 and pdf[start + len(jpg):start + len(jpg) + 20].lstrip().startswith(b"endstream") else 1)
' "$pdf" "$src/01-photo.jpg"
check "log: storing mode" contains "$pdf.log" "JPG storing mode is enabled"
d=$(render_distance "$pdf" 2 "$ref/06-gray.ppm")
check "gray JPEG page looks like its source (RMSE $d)" close_to "$d" 0.05
# A JPEG whose scan uses a Huffman table it never defined: readers refuse
# the stream, so it must not be stored as it is (GDI+ refuses it too).
python3 - "$src/01-photo.jpg" "$work/undefined-table.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.find(b"\xff\xc4")
data[at + 4] |= 3
open(sys.argv[2], "wb").write(data)
PY
run "$work/o" "$work/e" --set JpgNoRecompression=1 --set Preprocessing=0 "$out/broken.pdf" "$work/undefined-table.jpg" "$src/01-photo.jpg"
check "broken JPEG not stored as is" python3 -c '
import sys
sys.exit(1 if open(sys.argv[2], "rb").read() in open(sys.argv[1], "rb").read() else 0)
' "$out/broken.pdf" "$work/undefined-table.jpg"
check "qpdf --check with the broken JPEG in the list" qpdf_ok "$out/broken.pdf"
check "log: stored at 100 %" contains "$pdf.log" "[OK] Page 1: $(winpath "$src/01-photo.jpg") (100 %)"

# ----------------------------------------------------- multi-page TIFF
group "multi-page TIFF"
# Five pages of different sizes and colours, as a scanner writes them.
tiff_sizes=("120 x 90" "60 x 140" "200 x 50" "80 x 80" "100 x 160")
tiff_pages=()
for i in "${!tiff_sizes[@]}"; do
  tiff_pages+=(-size "${tiff_sizes[$i]// /}" "gradient:$(printf '#%02x2040' $((i * 60)))-white")
done
"$convert" "${tiff_pages[@]}" -compress lzw "$work/fax.tif"
for i in "${!tiff_sizes[@]}"; do "$convert" "$work/fax.tif[$i]" -depth 8 "$ref/fax-$i.ppm"; done
pdf="$out/fax.pdf"
run "$work/o" "$work/e" --set SortAfterDrop=0 "$pdf" "$work/fax.tif" "$src/09-pic.bmp"
expect_eq "exit status" 0 "$rc"
check "qpdf --check" qpdf_ok "$pdf"
expect_eq "page count: five pages and the bitmap" 6 "$(pages "$pdf")"
for i in "${!tiff_sizes[@]}"; do
  n=$((i + 1))
  expect_eq "page $n size" "${tiff_sizes[$i]}" "$(page_size "$pdf" $n)"
  d=$(render_distance "$pdf" $n "$ref/fax-$i.ppm")
  check "page $n shows its own picture (RMSE $d)" close_to "$d" 0.05
  check "log: page $n of 5" contains "$pdf.log" "[OK] Page $n: $(winpath "$work/fax.tif"), page $n of 5 ("
done
check "log: the bitmap is page 6" contains "$pdf.log" "[OK] Page 6: $(winpath "$src/09-pic.bmp") ("
check "log: two files processed" contains "$pdf.log" "Files processed   : 2"
check "progress: one line per file" contains "$work/e" "2 of 2  09-pic.bmp"
run "$work/o" "$work/e" --set TiffAllPages=0 "$out/fax-first.pdf" "$work/fax.tif"
expect_eq "TiffAllPages 0: the first page only" 1 "$(pages "$out/fax-first.pdf")"
check "TiffAllPages 0: no page count in the log" lacks "$out/fax-first.pdf.log" ", page 1 of"

# ------------------------------------------- broken page chains, broken BMP
group "broken page chains and a BMP without pixels"
# Each file beside a sound one in every mode: the file's own pages (and no
# more) with "page k of n" at the true n, a line saying why the rest is
# missing, the BMP skipped, and always a PDF, its log and the end message.
broken="$work/broken"
mkdir -p "$broken"
python3 "$root/tests/imaging/make_broken_files.py" "$broken"
"$convert" "$broken/loop.tif[1]" -depth 8 "$ref/gray-120.ppm" 2>/dev/null
chain_files=(loop.tif loop-mm.tif self-loop.tif past-end.tif cut-short.tif)
chain_pages=(2 2 1 3 2)
chain_why=("page chain leads back to an earlier page" "page chain leads back to an earlier page"
           "page chain leads back to an earlier page" "next page directory lies outside the file"
           "next page directory is cut short or damaged")
# Wine's decoder reads no BigTIFF: skipped like the BMP, the build going on.
unread=(big.tif rle-past-end.bmp)
modes=("PNG, examined|--set JpgCompression=0 --set Preprocessing=1"
       "JPEG, not examined|--set JpgCompression=1 --set Preprocessing=0"
       "stored JPEG|--set JpgNoRecompression=1 --set Preprocessing=1")
for mode in "${modes[@]}"; do
  IFS='|' read -r mname mset <<<"$mode"
  pdf="$out/broken-${mname//[ ,]/}.pdf"
  # shellcheck disable=SC2086
  timeout 600 "$cli" --set SortAfterDrop=0 $mset "$pdf" "${chain_files[@]/#/$broken/}" "${unread[@]/#/$broken/}" \
    "$src/09-pic.bmp" >"$work/o" 2>"$work/e" </dev/null
  rc=$?
  expect_eq "$mname: exit status (files with errors)" 1 "$rc"
  check "$mname: qpdf --check" qpdf_ok "$pdf"
  expect_eq "$mname: pages" 11 "$(pages "$pdf")"
  check "$mname: the end message" contains "$work/e" "There were some errors processing the files ..."
  check "$mname: the report" contains "$pdf.log" "Files processed   : 6"
  for i in "${!chain_files[@]}"; do
    f=$(winpath "$broken/${chain_files[$i]}") n=${chain_pages[$i]}
    if [ "$n" -gt 1 ]; then
      check "$mname: ${chain_files[$i]}: page $n of $n" contains "$pdf.log" "$f, page $n of $n ("
      check "$mname: ${chain_files[$i]}: nothing beyond page $n" lacks "$pdf.log" "$f, page $((n + 1)) of"
    else
      check "$mname: ${chain_files[$i]}: one page, no count" lacks "$pdf.log" "$f, page 1 of"
    fi
    check "$mname: ${chain_files[$i]}: why the rest is missing" contains "$pdf.log" \
      "[ERR] $f, pages after page $n skipped, the file's ${chain_why[$i]} !"
  done
  for f in "${unread[@]}"; do
    if [ "$mname" = "JPEG, not examined" ]; then
      check "$mname: $f skipped by the build" contains "$pdf.log" \
        "[ERR] $(winpath "$broken/$f") skipped, unsupported file type !"
    else
      check "$mname: $f refused when examined" contains "$work/e" "$(winpath "$broken/$f")"
    fi
  done
  check "$mname: the sound file is the last page" contains "$pdf.log" "[OK] Page 11: $(winpath "$src/09-pic.bmp") ("
  d=$(render_distance "$pdf" 2 "$ref/gray-120.ppm")
  check "$mname: the loop's second page is its own (RMSE $d)" close_to "$d" 0.02
done

# ------------------------------------------------------- PNG passed through
group "PNG passed through"
# Every PNG twice: as it is, and with an unknown ancillary chunk that makes
# the build decode and encode it again (decoders ignore the chunk). The
# pages must render to the same pixels.
fixtures="$root/tests/imaging/fixtures"
"$convert" -size 90x70 -seed 6 plasma:blue-yellow "PNG24:$work/14-rgb.png"
cp "$fixtures/gray.png" "$fixtures/palette.png" "$fixtures/interlaced.png" "$fixtures/rgb16.png" \
  "$src/02-scan.png" "$src/03-alpha.png" "$work/"
pngs=(gray.png 03-alpha.png palette.png 14-rgb.png interlaced.png rgb16.png 02-scan.png)
mkdir -p "$work/plain" "$work/marked"
for f in "${pngs[@]}"; do
  cp "$work/$f" "$work/plain/$f"
  python3 - "$work/$f" "$work/marked/$f" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
chunk = b"quIl" + b"x"
marked = data[:33] + struct.pack(">I", 1) + chunk + struct.pack(">I", zlib.crc32(chunk)) + data[33:]
open(sys.argv[2], "wb").write(marked)
PY
done
for kind in plain marked; do
  run "$work/o" "$work/e" --set JpgCompression=0 --set SortAfterDrop=0 "$out/png-$kind.pdf" "${pngs[@]/#/$work/$kind/}"
  expect_eq "exit status ($kind)" 0 "$rc"
  check "qpdf --check ($kind)" qpdf_ok "$out/png-$kind.pdf"
done
for i in "${!pngs[@]}"; do
  n=$((i + 1))
  pdftoppm -r 72 -f $n -l $n -singlefile "$out/png-plain.pdf" "$work/plain-$n"
  pdftoppm -r 72 -f $n -l $n -singlefile "$out/png-marked.pdf" "$work/marked-$n"
  check "page $n (${pngs[$i]}) renders the same passed through" cmp -s "$work/plain-$n.ppm" "$work/marked-$n.ppm"
done
# The plain files' own image data is in the PDF: gray and palette kept.
pdfimages -list "$out/png-plain.pdf" >"$work/list"
expect_eq "gray PNG kept gray" gray "$(awk 'NR == 3 { print $6 }' "$work/list")"
expect_eq "alpha PNG encoded again in RGB" rgb "$(awk 'NR == 4 { print $6 }' "$work/list")"
expect_eq "palette kept" index "$(awk 'NR == 5 { print $6 }' "$work/list")"
check "RGB PNG's own image data in the PDF" python3 -c '
import struct, sys
png, pdf = (open(p, "rb").read() for p in sys.argv[1:3])
at, idat = 8, b""
while at < len(png):
    n, = struct.unpack(">I", png[at:at + 4])
    if png[at + 4:at + 8] == b"IDAT": idat += png[at + 8:at + 8 + n]
    at += 12 + n
sys.exit(0 if idat in pdf else 1)
' "$work/plain/14-rgb.png" "$out/png-plain.pdf"

# ------------------------------------------------------------ exit statuses
group "exit statuses and refusals"
pdf="$out/clean.pdf"
printf 'an older file' >"$pdf"
run "$work/o" "$work/e" --set DeleteLogIfSuccessful=1 "$pdf" "$src/09-pic.bmp" "$src/08-scan.tif"
expect_eq "clean build" 0 "$rc"
check "an existing output is replaced" qpdf_ok "$pdf"
check "the log of an error-free build is deleted" test ! -e "$pdf.log"
d=$(render_distance "$pdf" 1 "$ref/08-scan.ppm")
check "sorted by name: the TIFF first (RMSE $d)" close_to "$d" 0.05

run "$work/o" "$work/e" --set SortAfterDrop=0 "$out/unsorted.pdf" "$src/09-pic.bmp" "$src/08-scan.tif"
d=$(render_distance "$out/unsorted.pdf" 1 "$ref/09-pic.ppm")
check "unsorted: argument order (RMSE $d)" close_to "$d" 0.05

run "$work/o" "$work/e" "$out/none.pdf" "$src/11-notes.txt" "$src/10-damaged.jpg"
expect_eq "nothing added" 1 "$rc"
expect_eq "nothing added: the message" "No files added, format not supported." "$(cat "$work/e")"
check "nothing added: no PDF, no log" test ! -e "$out/none.pdf" -a ! -e "$out/none.pdf.log"

run "$work/o" "$work/e" "$out/no folder/x.pdf" "$src/01-photo.jpg"
expect_eq "output not writable" 2 "$rc"
check "writer message" contains "$work/e" "Do you have the PDF already open in the reader ?"

cp "$src/01-photo.jpg" "$work/keep.jpg"
run "$work/o" "$work/e" "$work/keep.jpg" "$src/02-scan.png" "$work/keep.jpg"
expect_eq "output that is also an input" 64 "$rc"
check "the input is untouched" cmp -s "$work/keep.jpg" "$src/01-photo.jpg"

for bad in "--bogus" "--set Nonsense=1" "--set JpgQuality" "only-output.pdf"; do
  # shellcheck disable=SC2086
  run "$work/o" "$work/e" $bad $([ "$bad" = only-output.pdf ] || echo "$out/u.pdf $src/01-photo.jpg")
  expect_eq "usage error: $bad" 64 "$rc"
  expect_eq "usage error: one line ($bad)" 1 "$(wc -l <"$work/e")"
done
run "$work/o" "$work/e" --help
expect_eq "--help" 0 "$rc"
check "--help prints the usage" contains "$work/o" "Usage: quillon-cli [--settings FILE] [--set KEY=VALUE]... [--quiet] OUTPUT.pdf INPUT..."
run "$work/o" "$work/e" --version
expect_eq "--version" "Quillon 1.0.52
Quillon 1.0.52 (x86)" "$(cat "$work/o")"

# ------------------------------------------------- settings file, names
group "settings file, spaces and accents"
ini="$work/my settings.ini"
printf '\xef\xbb\xbf\r\n[PDF creation]\r\nPaperFormat = 4\r\nDocAuthor = Zoë Écrivain\r\n[General]\r\nDocTitleFromFileName = 1\r\n' >"$ini"
sum=$(md5sum <"$ini")
folder="$work/Scans été 2024"
mkdir -p "$folder"
cp "$src/02-scan.png" "$folder/page ü 1.png"
pdf="$folder/Résumé book.pdf"
run "$work/o" "$work/e" --settings "$ini" "$pdf" "$folder"
expect_eq "exit status" 0 "$rc"
expect_eq "Letter from the settings file" "612 x 792" "$(page_size "$pdf" 1)"
expect_eq "title from the file name" "Résumé book" "$(pdfinfo "$pdf" | sed -n 's/^Title: *//p')"
expect_eq "author from the settings file" "Zoë Écrivain" "$(pdfinfo "$pdf" | sed -n 's/^Author: *//p')"
expect_eq "settings file never written" "$sum" "$(md5sum <"$ini")"
check "log names the accented path" contains "$pdf.log" "[OK] Page 1: $(winpath "$folder/page ü 1.png") ("
check "progress shows the accented name" contains "$work/e" "1 of 1  page ü 1.png"
run "$work/o" "$work/e" --settings "$work/absent.ini" "$out/x.pdf" "$src/01-photo.jpg"
expect_eq "unreadable settings file" 64 "$rc"

# --------------------------------------------- photos with an EXIF orientation
group "photos turned upright"
exif="$work/exif"
mkdir -p "$exif/tagged" "$exif/plain"
# The picture as it should be seen (96 x 64, a colour in each corner, so
# that every wrong turn or mirror moves them), stored turned back so that
# each tag turns it upright again.
"$convert" -size 96x64 xc: -sparse-color Bilinear "0,0 red 95,0 yellow 0,63 blue 95,63 white" "$exif/upright.png"
undo=("" "-flop" "-rotate 180" "-flip" "-transpose" "-rotate 270" "-transverse" "-rotate 90")
for o in 1 2 3 4 5 6 7 8; do
  f="$exif/tagged/o$o.jpg"
  "$convert" "$exif/upright.png" ${undo[$((o - 1))]} -quality 95 "$f"
  cp "$f" "$exif/plain/o$o.jpg"
  exiftool -q -overwrite_original -n -Orientation=$o "$f"
  # The reference is what a viewer that honours the tag shows.
  "$convert" "$f" -auto-orient -depth 8 "$exif/up-$o.ppm"
  "$convert" "$f" -depth 8 "$exif/stored-$o.ppm"
done
expect_eq "the tags are in place" "TopLeft TopRight BottomRight BottomLeft LeftTop RightTop RightBottom LeftBottom " \
  "$(for o in 1 2 3 4 5 6 7 8; do identify -format '%[orientation] ' "$exif/tagged/o$o.jpg"; done)"
# Distance between page N's picture and a reference: the page rendered at
# 72 dpi, the picture's box (WxH+X+Y) cut out, the reference stretched to it.
box_distance() {
  local pdf=$1 page=$2 ref=$3 box=$4 tmp="$work/box-$2"
  pdftoppm -r 72 -f "$page" -l "$page" -singlefile "$pdf" "$tmp" || { echo 1; return; }
  "$convert" "$tmp.ppm" -crop "$box" +repage "$tmp-cut.ppm"
  "$convert" "$ref" -resize "${box%%+*}!" "$tmp-ref.ppm"
  "$compare" -metric RMSE "$tmp-cut.ppm" "$tmp-ref.ppm" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'
}
tagged=("$exif"/tagged/o{1..8}.jpg)
# Paperless pages are the picture; on A4 it is enlarged to the width and
# centred: 595 x 397 from y 222 portrait, 842 x 561 from y 17 landscape.
papers=("Paperless|--set PaperFormat=6|96x64+0+0" "A4 portrait|--set PaperFormat=1 --set EnlargeToFit=1|595x397+0+222"
        "A4 landscape|--set PaperFormat=1 --set PaperOrientation=2 --set EnlargeToFit=1|842x561+0+17")
for path in "re-encoded|--set JpgNoRecompression=0|0.05" "stored as is|--set JpgNoRecompression=1|0.05"; do
  IFS='|' read -r pname pset plimit <<<"$path"
  for paper in "${papers[@]}"; do
    IFS='|' read -r name set box <<<"$paper"
    pdf="$exif/${pname// /-}-${name// /-}.pdf"
    run "$work/o" "$work/e" --set SortAfterDrop=0 $pset $set "$pdf" "${tagged[@]}"
    expect_eq "$pname, $name: exit status" 0 "$rc"
    check "$pname, $name: qpdf --check" qpdf_ok "$pdf"
    expect_eq "$pname, $name: pages" 8 "$(pages "$pdf")"
    for o in 1 2 3 4 5 6 7 8; do
      [ "$name" = Paperless ] && expect_eq "$pname: page $o is the upright size" "96 x 64" "$(page_size "$pdf" $o)"
      d=$(box_distance "$pdf" $o "$exif/up-$o.ppm" "$box")
      check "$pname, $name: orientation $o shows upright (RMSE $d)" close_to "$d" "$plimit"
    done
  done
done
# The stored bytes go into the PDF untouched.
pdf="$exif/stored-as-is-Paperless.pdf"
pdfimages -j -f 6 -l 6 "$pdf" "$exif/page6"
check "stored photo embedded byte for byte" cmp -s "$exif/page6-000.jpg" "${tagged[5]}"

group "AutoRotate 0"
for path in "re-encoded|--set JpgNoRecompression=0" "stored as is|--set JpgNoRecompression=1"; do
  IFS='|' read -r pname pset <<<"$path"
  pdf="$exif/off-${pname// /-}.pdf"
  run "$work/o" "$work/e" --set SortAfterDrop=0 --set AutoRotate=0 $pset "$pdf" "${tagged[@]}"
  expect_eq "$pname: exit status" 0 "$rc"
  for o in 1 2 3 4 5 6 7 8; do
    want="96 x 64"
    [ $o -ge 5 ] && want="64 x 96"
    expect_eq "$pname: page $o has the stored size" "$want" "$(page_size "$pdf" $o)"
    d=$(render_distance "$pdf" $o "$exif/stored-$o.ppm")
    check "$pname: orientation $o shows as stored (RMSE $d)" close_to "$d" 0.05
  done
done
# What the tag changes is nothing at all: the same build of the untagged
# copies writes the same bytes (the creation date aside). Stored as is, the
# tag is part of the bytes, so there the untagged copies are built both ways.
undated() { sed -E 's/CreationDate \(D:[^)]*\)//' "$1"; }
run "$work/o" "$work/e" --set SortAfterDrop=0 "$exif/plain-reencoded.pdf" "$exif"/plain/o{1..8}.jpg
check "re-encoded: AutoRotate 0 of tagged photos = untagged photos" \
  cmp -s <(undated "$exif/off-re-encoded.pdf") <(undated "$exif/plain-reencoded.pdf")
run "$work/o" "$work/e" --set SortAfterDrop=0 --set JpgNoRecompression=1 "$exif/plain-on.pdf" "$exif"/plain/o{1..8}.jpg
run "$work/o" "$work/e" --set SortAfterDrop=0 --set JpgNoRecompression=1 --set AutoRotate=0 "$exif/plain-off.pdf" \
  "$exif"/plain/o{1..8}.jpg
check "stored as is: untagged photos give the same PDF with AutoRotate 1 and 0" \
  cmp -s <(undated "$exif/plain-on.pdf") <(undated "$exif/plain-off.pdf")
check "stored as is, AutoRotate 0: placements unturned" \
  bash -c "! qpdf --qdf --object-streams=disable '$exif/off-stored-as-is.pdf' - | grep -aqE '^q 0 |^q -'"

# ------------------------------------------------- files only WIC reads
group "TGA and BMP shapes GDI+ refuses, through WIC, in every mode"
wic="$work/wic"
mkdir -p "$wic"
"$convert" -size 120x90 -seed 4 plasma:red-yellow -compress None "$wic/1-plain.tga"
"$convert" -size 120x90 gradient:navy-orange -compress RLE "$wic/2-rle.tga"
"$convert" -size 120x90 -seed 6 plasma:green-blue -colors 12 -type Palette -compress None "$wic/3-mapped.tga"
"$convert" -size 120x90 -seed 8 plasma:cyan-pink \( -size 120x90 gradient:white-black \) -alpha off \
  -compose CopyOpacity -composite "$wic/4-alpha.tga"
cp "$fixtures/bitfields-alpha.bmp" "$wic/5-bitfields-alpha.bmp"
head -c 9000 "$wic/1-plain.tga" >"$wic/6-cut.tga"
# Wine's TGA decoder reads 24-bit colour maps wrong: 3-mapped is placed, its colours not compared.
wics=(1-plain 2-rle 3-mapped 4-alpha 5-bitfields-alpha)
# ImageMagick keeps a TGA's rows as stored and notes where its origin is:
# -auto-orient shows the picture the file describes.
for b in "${wics[@]}"; do
  "$convert" "$wic/$b".* -auto-orient -background black -alpha remove -colorspace sRGB -depth 8 "$ref/$b.ppm"
done
for mode in "PNG examined|--set JpgCompression=0" "JPEG unexamined|--set Preprocessing=0" \
  "JPEG stored as is|--set JpgNoRecompression=1"; do
  name=${mode%%|*}
  pdf="$out/wic-${name// /-}.pdf"
  # shellcheck disable=SC2086
  run "$work/o" "$work/e" --set SortAfterDrop=1 ${mode#*|} "$pdf" "$wic"
  expect_eq "$name: exit status (the cut TGA refused or skipped)" 1 "$rc"
  check "$name: qpdf --check" qpdf_ok "$pdf"
  expect_eq "$name: pages" 5 "$(pages "$pdf")"
  if [[ $name = *unexamined ]]; then
    check "$name: log: the cut TGA skipped" contains "$pdf.log" \
      "[ERR] $(winpath "$wic/6-cut.tga") skipped, unsupported file type !"
  else
    check "$name: the cut TGA refused at intake" contains "$work/e" "$(winpath "$wic/6-cut.tga")"
  fi
  expect_eq "$name: page 3 (3-mapped) size" "120 x 90" "$(page_size "$pdf" 3)"
  mkdir -p "$work/wic-embedded"
  pdfimages -png "$pdf" "$work/wic-embedded/${name// /-}"
  for i in 0 1 3 4; do
    if [[ $name = PNG* ]]; then
      expect_eq "$name: page $((i + 1)) (${wics[$i]}) exactly ImageMagick's picture on black" 0 \
        "$("$compare" -metric AE "$work/wic-embedded/${name// /-}-00$i.png" "$ref/${wics[$i]}.ppm" null: 2>&1)"
      continue
    fi
    d=$(render_distance "$pdf" $((i + 1)) "$ref/${wics[$i]}.ppm")
    # A hard-edged 40 x 30 picture loses more to JPEG than a photo does.
    limit=0.06
    [[ ${wics[$i]} = 5-* ]] && limit=0.1
    check "$name: page $((i + 1)) (${wics[$i]}) is ImageMagick's picture on black (RMSE $d)" close_to "$d" $limit
  done
done

group "temporary files"
expect_eq "no temporary file left beside any output" "" "$(find "$work" -name '*.tmp' | head -n 3)"

echo "e2e: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
