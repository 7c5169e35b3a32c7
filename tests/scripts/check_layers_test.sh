#!/usr/bin/env bash
# The layer check must fail on what it exists to catch: an upward include, a
# peer include, an unknown folder; and pass on a tree that only points down.
# Prints "layers: N checks passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check="$root/scripts/check_layers.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

# tree NAME FILE=LINE... : a fake src tree under $tmp/NAME
tree() {
  local dir="$tmp/$1"; shift
  mkdir -p "$dir"
  for entry in "$@"; do
    local file=${entry%%=*} text=${entry#*=}
    mkdir -p "$dir/$(dirname "$file")"
    printf '%b\n' "$text" >>"$dir/$file"
  done
  echo "$dir"
}

# expect NAME WANT_RC PATTERN DIR
expect() {
  local out rc
  out=$(bash "$check" "$4" 2>&1); rc=$?
  if [ "$rc" -eq "$2" ] && grep -qE -- "$3" <<<"$out"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $1 (exit $rc, wanted $2; output: $out)"
  fi
}

good=$(tree good 'platform/file.h=#pragma once' 'pdf/pdf.h=#include "platform/file.h"' \
  'ui/x_win.cpp=#include <windows.h>\n#include "ui/x.h"\n#include "settings/settings.h"' \
  'app/main.cpp=#include "filelist/list.h"\n#include "pipeline/p.h"')
expect "a tree that only points down passes" 0 'none upward' "$good"

up=$(tree up 'pdf/pdf.cpp=// writer\n#include <string>\n#include "pipeline/build_pdf.h"')
expect "an upward include names file and line" 1 '^src/pdf/pdf.cpp:3: pdf includes pipeline, a layer above it$' "$up"

peer=$(tree peer 'settings/s.cpp=#include "pdf/pdf.h"')
expect "a peer include fails" 1 'settings includes its peer pdf' "$peer"

circle=$(tree circle 'filelist/v.cpp=#include "app/main_window_win.h"' 'app/main_window_win.cpp=#include "filelist/v.h"')
expect "one side of a circle is always upward" 1 '^src/filelist/v.cpp:1: filelist includes app' "$circle"

unknown=$(tree unknown 'build/b.cpp=#include "pdf/pdf.h"' 'app/a.cpp=  #  include "misc/x.h"')
expect "a folder outside the stack fails" 1 'src/build/: folder has no place' "$unknown"
expect "an include of a folder outside the stack fails" 1 'src/app/a.cpp:1: includes "misc/...", a folder with no place' "$unknown"

expect "the project's own sources point only down" 0 'none upward' "$root/src"

echo "layers: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
