#!/usr/bin/env bash
# Checks the floors of src/: a folder includes only folders below it.
#   floor-order.sh [SRC_DIR]
# Folders on one line share a floor and do not include each other; src/main.cpp sits on top.
set -u
src=${1:-$(dirname "$0")/../../src}
floors=(
  "numcore"
  "model"
  "materials"
  "history"
  "elements"
  "springs"
  "assembly"
  "loads"
  "thermal dynamics modal"
  "analysis"
)
declare -A rank
for i in "${!floors[@]}"; do for f in ${floors[$i]}; do rank[$f]=$i; done; done
bad=0
for dir in "$src"/*/; do
  here=$(basename "$dir")
  if [ -z "${rank[$here]+x}" ]; then echo "src/$here: folder without a floor"; bad=1; continue; fi
  while IFS=: read -r file line inc; do
    to=${inc%%/*}
    if [[ $inc != */* ]]; then echo "${file#$src/}:$line: include without its folder: $inc"; bad=1
    elif [ -z "${rank[$to]+x}" ]; then echo "${file#$src/}:$line: include of an unknown folder: $inc"; bad=1
    elif [ "$to" != "$here" ] && [ "${rank[$to]}" -ge "${rank[$here]}" ]; then
      echo "${file#$src/}:$line: $here includes $inc, which is not below it"; bad=1
    fi
  done < <(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$dir" |
           sed -E 's/#[[:space:]]*include[[:space:]]*"([^"]+)"/\1/; s/:[[:space:]]+/:/')
done
[ $bad = 0 ] && echo "floors kept: ${floors[*]}"
exit $bad
