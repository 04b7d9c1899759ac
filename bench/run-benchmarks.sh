#!/usr/bin/env bash
# Runs every benchmark of a build (default build/bench) in a scratch folder of its own,
# made unique with mktemp and removed at the end, even after Ctrl-C: the whole-run
# benchmarks write their jobs below the system temporary directory, which points there.
# Everything goes to standard output; each benchmark is headed by one line saying what it
# measures (the first sentence of the header comment of its source).
set -u -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../build/bench}" && pwd) || exit 1
scratch=$(mktemp -d "${TMPDIR:-/tmp}/volde_bench.XXXXXX") || exit 1
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
export TMPDIR="$scratch"
# Debian's libbenchmark is built without NDEBUG and says so on every run; the benchmarks
# themselves are built as Release.
debug='^\*\*\*WARNING\*\*\* Library was built as DEBUG\. Timings may be affected\.$'
note='(libbenchmark of the system was built without NDEBUG and warns of it; the benchmarks are built as Release)'
status=0
for b in "$bin"/bench_*; do
  [ -x "$b" ] || continue
  name=${b##*/bench_}
  what=$(sed -n '/^\/\//!q; s|^// \{0,1\}||p' "$here/$name.cpp" 2>/dev/null | tr '\n' ' ' | sed 's/\. .*/./')
  echo
  echo "== $name: ${what:-(no description)}"
  (cd "$scratch" && "$b" 2>&1) | sed "s/$debug/$note/" || status=1
done
exit $status
