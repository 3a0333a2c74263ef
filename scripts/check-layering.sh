#!/usr/bin/env bash
# Fails when a core folder includes a header of a folder above it. The order,
# lowest first (README "Layout"): a folder may include its own headers and
# those of the folders before it. ui/ folders are the top and not checked here.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
order=(app scene show media comm engine check document panels editors preview3d runtime manual)
declare -A rank
for i in "${!order[@]}"; do rank[${order[$i]}]=$i; done

status=0
for dir in "$root"/src/*/; do
  folder=$(basename "$dir")
  [ "$folder" = ui ] && continue
  if [ -z "${rank[$folder]+x}" ]; then
    echo "src/$folder: folder missing from the layering order in scripts/check-layering.sh" >&2
    status=1
    continue
  fi
  while IFS=: read -r file line text; do
    target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([a-z0-9]+)\/.*/\1/' <<<"$text")
    [ -z "${rank[$target]+x}" ] && continue
    if [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
      echo "${file#"$root"/}:$line: $folder includes $target, which is above it" >&2
      status=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z0-9]+/' "$dir" --include='*.h' --include='*.cpp' \
             | grep -v '/ui/' || true)
done
[ $status -eq 0 ] && echo "layering ok"
exit $status
