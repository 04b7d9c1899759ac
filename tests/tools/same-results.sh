#!/usr/bin/env bash
# Replays a corpus of jobs with two builds of the program and says where their results differ.
#   same-results.sh OLD_EXE NEW_EXE DIR...
# Every <job>_gl.bin under the DIRs is run by both programs in scratch copies of its directory
# (its _ctrl.dat and other input files come along). Exit codes, standard output with times left
# out, and every file the runs write must be equal byte for byte; the `_ep.bin` files hold wall-clock
# seconds, `_rs.bin` their checksums and `_vm.dat` its date: they are compared by size only; lock files hold the process
# number. A corpus: the examples, and the scratch directories of the
# whole-run tests kept by running them with VOLDE_KEEP_RUNS=<dir>.
set -u
old=$(realpath "$1"); new=$(realpath "$2"); shift 2
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
jobs=0; diffs=0
while IFS= read -r gl; do
  src=$(dirname "$gl"); job=$(basename "$gl" _gl.bin)
  for side in old new; do
    rm -rf "$work/$side"; mkdir -p "$work/$side"
    find "$src" -maxdepth 1 -type f -name "${job}*" \( -name '*_gl.bin' -o -name '*_ctrl.dat' -o -name '*.txt' \) \
      -exec cp {} "$work/$side/" \;
    exe=$old; [ $side = new ] && exe=$new
    (cd "$work/$side" && timeout 300 "$exe" "$job" </dev/null 2>&1 | grep -v -i 'second\|elapsed\|time:' >"$work/$side.out"
     echo "${PIPESTATUS[0]}" >"$work/$side.rc")
  done
  jobs=$((jobs + 1)); bad=""
  cmp -s "$work/old.rc" "$work/new.rc" || bad="$bad exit($(cat "$work/old.rc")/$(cat "$work/new.rc"))"
  cmp -s "$work/old.out" "$work/new.out" || bad="$bad stdout"
  for f in $( (cd "$work/old" && ls; cd "$work/new" && ls) | sort -u); do
    if [ ! -e "$work/old/$f" ] || [ ! -e "$work/new/$f" ]; then bad="$bad $f(missing)"
    elif [[ $f == *.lock ]]; then :
    elif [[ $f == *_ep.bin || $f == *_rs.bin || $f == *_vm.dat ]]; then
      [ "$(stat -c %s "$work/old/$f")" = "$(stat -c %s "$work/new/$f")" ] || bad="$bad $f(size)"
    else cmp -s "$work/old/$f" "$work/new/$f" || bad="$bad $f"; fi
  done
  if [ -n "$bad" ]; then diffs=$((diffs + 1)); echo "DIFFERS $gl:$bad"; fi
done < <(find "$@" -name '*_gl.bin' | sort)
echo "$jobs jobs replayed, $diffs differ"
[ $diffs = 0 ]
