#!/usr/bin/env bash
# Runs the example job with the given volde binary, in a scratch copy of examples/.
set -u
exe=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../build/demo"
mkdir -p "$out"
cp "$here"/*_gl.bin "$out"/ 2>/dev/null || true
cd "$out"
if ls ./*_gl.bin >/dev/null 2>&1; then
  job=$(basename "$(ls ./*_gl.bin | head -n1)" _gl.bin)
  "$exe" "$job"; rc=$?
  echo "Results of job '$job' are in $out"
  exit $rc
else
  "$exe" </dev/null
  echo "(no example job yet: the program was built and started)"
  exit 0
fi
