#!/usr/bin/env bash
# Fails when a source folder includes a folder above it, naming the file and
# line. The folders form a stack; folders on one line of the stack are peers
# and do not include each other. Each folder may include itself and any folder
# on a lower line. With the stack strict, no circle between folders can form.
#
# Usage: scripts/check_layers.sh [SRC_DIR]   (default: the project's src/)
set -uo pipefail

# Bottom up, one layer per line. The README's layout table shows the same order.
layers=(
  "platform"
  "format"
  "pdf settings"
  "ui"
  "imaging"
  "pipeline"
  "filelist"
  "app cli"
)

src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
[ -d "$src" ] || { echo "check_layers: no folder $src" >&2; exit 2; }

declare -A rank
for i in "${!layers[@]}"; do
  for folder in ${layers[$i]}; do rank[$folder]=$i; done
done

status=0
files=0
includes=0
complain() { echo "$1"; status=1; }

# Every folder under src must have its place in the stack.
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  [ -n "${rank[$folder]+x}" ] || complain "src/$folder/: folder has no place in the layer order"
done

while IFS= read -r -d '' file; do
  files=$((files + 1))
  rel=${file#"$src"/}
  from=${rel%%/*}
  [ -n "${rank[$from]+x}" ] || continue  # already reported above
  lineno=0
  while IFS= read -r line; do
    lineno=$((lineno + 1))
    [[ "$line" =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"/]+)/[^\"]*\" ]] || continue
    includes=$((includes + 1))
    to=${BASH_REMATCH[1]}
    if [ -z "${rank[$to]+x}" ]; then
      complain "src/$rel:$lineno: includes \"$to/...\", a folder with no place in the layer order"
    elif [ "$to" != "$from" ] && [ "${rank[$to]}" -ge "${rank[$from]}" ]; then
      if [ "${rank[$to]}" -eq "${rank[$from]}" ]; then
        complain "src/$rel:$lineno: $from includes its peer $to (\"$to/...\")"
      else
        complain "src/$rel:$lineno: $from includes $to, a layer above it"
      fi
    fi
  done <"$file"
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -print0 | sort -z)

if [ "$status" -eq 0 ]; then
  order=$(printf '%s < ' "${layers[@]}")
  echo "layers: ${order% < }: $includes includes in $files files, none upward"
fi
exit $status
