#!/usr/bin/env bash
# The modal case of modal_bar.py (ten modes of a 15 552-equation solid cantilever, its
# points numbered along the bar) run as a whole job by volde and by the established
# program CalculiX (`ccx`, Debian package calculix-ccx) on the same mesh: the best wall
# seconds of a few runs each, their ratio and the first three frequencies of each.
# CalculiX is a yardstick here only; nothing in the product or in `make test` runs it.
#
# Usage: bench/modal-side-by-side.sh [volde executable] [runs]
set -eu -o pipefail
here=$(cd "$(dirname "$0")" && pwd)
volde=$(realpath "${1:-$here/../build/release/volde}")
runs=${2:-5}
command -v ccx >/dev/null || { echo "ccx not found: apt-get install -y calculix-ccx"; exit 1; }
scratch=$(mktemp -d "${TMPDIR:-/tmp}/volde_modal.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
python3 "$here/modal_bar.py" bar
best() {  # best wall seconds of $runs runs of "$@" (its result files removed before each)
  local b=""
  for _ in $(seq "$runs"); do
    case $1 in
      ccx) rm -f bar.dat bar.frd bar.sta bar.cvg ;;
      *) rm -f bar_vm.* bar_rs.bin bar_ep.bin ;;
    esac
    local s e
    s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N)
    b=$(awk -v b="$b" -v t="$(awk -v s="$s" -v e="$e" 'BEGIN { print e - s }')" \
        'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$b"
}
tv=$(best "$volde" bar)
tc=$(best ccx bar)
echo "volde $tv s, CalculiX $tc s: ratio $(awk -v a="$tv" -v b="$tc" 'BEGIN { printf "%.2f", a / b }') (best of $runs runs each)"
echo "first frequencies (Hz), volde:"
awk '/<SELECTED_VIBRATION_MODES>/ { on = 1 } on && $1 ~ /^[123]$/ && NF >= 6 { print "  " $1, $4 }' bar_vm.dat
echo "CalculiX:"
awk '/E I G E N V A L U E   O U T P U T/ { on = 1 } on && $1 ~ /^[123]$/ && NF == 5 { print "  " $1, $4 }' bar.dat
