#!/usr/bin/env bash
# The built help file: a CHM archive that holds the five topics the program
# opens, each as its source says, with every option of its settings tab
# explained (by its settings-file name) and no link to a page it lacks.
# Usage: tests/help/check_help.sh [Quillon.chm]   (default: beside the 32-bit program)
# Prints "help: N checks passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
chm=${1:-$root/out/win32/src/Quillon.chm}
chmls=$root/out/tools/chm/usr/bin/chmls-3.2.2
[ -x "$chmls" ] || chmls=$(command -v chmls-3.2.2 || echo chmls-3.2.2)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

check() {  # check NAME COMMAND...
  local name=$1; shift
  if "$@" >/dev/null 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

topics=(index.html Tab1.html Tab2.html Tab3.html Tab4.html)
# The settings-file names of the options on each tab of the settings window.
declare -A tab_keys=(
  [Tab1.html]="JpgCompression JpgQuality ImageScaling ResizeOnlyIfWider PaperOrientation PaperFormat PdfStartup EnlargeToFit KeepAspect"
  [Tab2.html]="DisplayHeader HeaderDisplayWhere HeaderDisplayWhat HeaderDisplayAlign HeaderFontSize DocAuthor DocTitle SaveAuthor SaveTitle"
  [Tab3.html]="ThumbLocked ThumbSide ThumbSize ThumbColor"
  [Tab4.html]="ClearBeforeDrop SortAfterDrop ShowFullPath SortIncludingPath ShowSizeCondensed ShowOptions OpenDir OpenPdf RememberLastDirectory SaveSameDirAsFiles Confirmations Preprocessing DocTitleFromFileName DeleteLogIfSuccessful EnableSubFolders JpgNoRecompression MemoryLoad AutoRotate TiffAllPages"
)

is_itsf() { [ "$(head -c 4 "$chm" 2>/dev/null)" = ITSF ]; }
check "Quillon.chm exists and is an ITSF (CHM) archive" is_itsf

"$chmls" list --no-page -n "$chm" >"$tmp/list" 2>&1
listed() { grep -qx "/$1" "$tmp/list"; }
for topic in "${topics[@]}"; do check "the archive holds $topic" listed "$topic"; done

# The archive gives back each topic exactly as written.
same_as_source() {
  "$chmls" extract "$chm" "/$1" "$tmp/$1" && cmp -s "$tmp/$1" "$root/help/$1"
}
for topic in "${topics[@]}"; do check "$topic comes back as its source" same_as_source "$topic"; done

# The viewer opens the file at its default topic.
default_topic() {
  "$chmls" extract "$chm" /#SYSTEM "$tmp/system" && grep -aq 'index\.html' "$tmp/system"
}
check "the default topic is index.html" default_topic

explains_all() {
  local page=$root/help/$1 key missing=0
  for key in ${tab_keys[$1]}; do
    grep -q "class=\"key\">$key<" "$page" || { echo "  $1 does not explain $key"; missing=1; }
  done
  return $missing
}
for page in "${!tab_keys[@]}"; do
  check "$page explains every option of its tab" explains_all "$page"
done

links_resolve() {
  local bad=0 target
  for topic in "${topics[@]}"; do
    while read -r target; do
      listed "$target" || { echo "  $topic links to $target, which is not in the archive"; bad=1; }
    done < <(grep -o 'href="[^"#:]*"' "$root/help/$topic" | sed 's/^href="//; s/"$//')
  done
  return $bad
}
check "every link leads to a page in the archive" links_resolve

echo "help: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
