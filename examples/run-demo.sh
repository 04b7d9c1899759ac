#!/usr/bin/env bash
# Runs an example job (default: portal) with the given volde binary, in a scratch copy of
# examples/, and tells where its result files are.
set -u
exe=$(realpath "$1")
job=${2:-portal}
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../build/demo"
mkdir -p "$out"
cp "$here/${job}_gl.bin" "$out"/ || exit 1
cd "$out" || exit 1
rm -f "${job}"_dr.bin "${job}"_ep.bin
"$exe" "$job"; rc=$?
out=$(cd "$out" && pwd)
echo "Results of job '$job' are in $out: ${job}_dr.bin (displacements and reactions), ${job}_ep.bin (execution parameters)"
exit $rc
