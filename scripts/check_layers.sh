#!/usr/bin/env bash
# Checks the analysis program's rooms by their includes: each room of view/ includes only the
# rooms below it, and the command line never a window. Prints every include that breaks the
# order and exits 1 when there is one (run by ctest as view_layers).
set -euo pipefail
cd "$(dirname "$0")/.."

# Room: the rooms it may include (besides itself).
declare -A allowed=(
  [recording]=""
  [settings]="recording"
  [compute]="recording settings"
  [draw]="recording settings compute"
  [output]="recording settings compute draw"
  [windows]="recording settings compute draw output"
  [commands]="recording settings compute draw output"
)

status=0
for room in "${!allowed[@]}"; do
  [ -d "view/$room" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "view\/([a-z_]+)\/.*/\1/' <<<"$line")
    if [ "$target" = "$line" ]; then
      # A file of view/ itself (not yet in a room) is above every room.
      echo "$file: includes a file outside the rooms: ${line#*:}"
      status=1
    elif [ "$target" != "$room" ] && ! grep -qw -- "$target" <<<"${allowed[$room]}"; then
      echo "$file: the $room room includes the $target room: ${line#*:}"
      status=1
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' '#include "view/' "view/$room" | sed -E 's/^([^:]+):[0-9]+:/\1:/' || true)
done
# Nothing below the shell includes Qt or the link program.
if grep -rln --include='*.h' --include='*.cpp' -E '#include <Q|#include "link/' view common | grep -v '^view/main.cpp$'; then
  echo "view/ or common/ includes Qt or link/"
  status=1
fi
exit $status
