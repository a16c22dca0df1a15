#!/usr/bin/env bash
# Fails when a source folder includes a header of a folder above it in the layer order.
set -u
cd "$(dirname "$0")/../src" || exit 2
# Lower layers first; folders on one line share a layer and may not include each other.
order=("util" "model" "symmetry" "readers" "topology" "chemistry" "databank hydrogen" "scattering" "writers" "localaxes" "driver")
declare -A rank
for i in "${!order[@]}"; do for d in ${order[$i]}; do rank[$d]=$i; done; done
bad=0
for f in */*.h */*.cpp; do
  from=${f%%/*}
  [ -n "${rank[$from]+x}" ] || { echo "unknown folder: $from ($f)"; bad=1; continue; }
  while IFS= read -r to; do
    [ "$to" = "$from" ] && continue
    if [ -z "${rank[$to]+x}" ]; then echo "$f includes unknown folder $to"; bad=1; continue; fi
    if [ "${rank[$to]}" -ge "${rank[$from]}" ]; then echo "$f includes $to/ (not below $from/)"; bad=1; fi
  done < <(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\)/.*|\1|p' "$f")
done
[ $bad -eq 0 ] && echo "layers: every folder includes only folders below it"
exit $bad
