#!/usr/bin/env bash
# Runs a command as on a bare machine: the library folder LIB shows only the
# files listed in MACHINE_FILES (links into the real folder, mounted aside).
# Needs a mount namespace of its own: unshare --mount bare_machine.sh ...
#   bare_machine.sh SCRATCH_FOLDER COMMAND [ARGS...]
set -euo pipefail
real=$1/real view=$1/view
shift
mkdir -p "$real" "$view"
mount --bind "$LIB" "$real"
mount -t tmpfs tmpfs "$view"
declare -A files
while read -r f; do
  f=/usr${f#/usr}
  [[ "$f" == "$LIB"/* ]] || continue
  rel=${f#"$LIB"/}
  dir=.
  [[ "$rel" == */* ]] && dir=${rel%/*}
  files[$dir]+="$real/$rel"$'\n'
done <"$MACHINE_FILES"
for dir in "${!files[@]}"; do
  mkdir -p "$view/$dir"
  mapfile -t targets <<<"${files[$dir]%$'\n'}"
  ln -s -t "$view/$dir" "${targets[@]}"
done
mount --bind "$view" "$LIB"
exec "$@"
