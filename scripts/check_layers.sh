#!/usr/bin/env bash
# Checks the layers of src/ (ARCHITECTURE.md): no file of a layer includes a
# header of a layer above it, and no folder of src/ holds more than 50 files.
# scripts/check_layers.sh [source folder]; exits 1 and names every fault.
set -uo pipefail
src="${1:-$(cd "$(dirname "$0")/.." && pwd)/src}"
status=0

# The folders of src/ from the bottom up. A folder may include its own headers
# and those of the folders it lists; nothing else of src/.
declare -A allowed=(
  [platform/base]="platform/base"
  [store]="platform/base store"
  [platform]="platform/base store platform"
  [coding]="platform/base store coding"
  [drawing]="platform/base store platform coding drawing drawing/technical"
  [exchange]="platform/base store platform coding drawing drawing/technical exchange"
  [app]="platform/base store platform coding drawing drawing/technical exchange app"
  [platform/windows]="platform/base store platform platform/windows store/windows"
  [drawing/windows]="platform/base store platform coding drawing drawing/technical platform/windows store/windows drawing/windows"
  [coding/windows]="platform/base store platform coding drawing drawing/technical platform/windows store/windows drawing/windows coding/windows"
  [exchange/windows]="platform/base store platform coding drawing drawing/technical exchange platform/windows store/windows drawing/windows coding/windows exchange/windows"
)
allowed[drawing/technical]="${allowed[drawing]}"
allowed[store/windows]="${allowed[platform/windows]}"

for layer in "${!allowed[@]}"; do
  [ -d "$src/$layer" ] || continue
  for file in "$src/$layer"/*.h "$src/$layer"/*.cpp; do
    [ -f "$file" ] || continue
    # The program's entry sits on top of every layer.
    [ "${file#"$src"/}" = app/main.cpp ] && continue
    while IFS= read -r line; do
      [[ "$line" =~ \"([^\"]+)\" ]] || continue
      header="${BASH_REMATCH[1]}"
      # Only headers of src/: their path starts with one of its folders.
      case "$header" in
        platform/*|store/*|coding/*|drawing/*|exchange/*|app/*) ;;
        *) continue ;;
      esac
      target="${header%/*}"
      if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
        echo "layer fault: ${file#"$src"/} includes $header, a header of a layer above it"
        status=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done
done

# No folder of src/ holds more than 50 files.
while IFS= read -r dir; do
  count="$(find "$dir" -maxdepth 1 -type f | wc -l)"
  if [ "$count" -gt 50 ]; then
    echo "folder fault: ${dir#"$src"/} holds $count files (50 at most)"
    status=1
  fi
done < <(find "$src" -type d)

[ "$status" -eq 0 ] && echo "layers: every include points down; every folder holds 50 files or fewer"
exit "$status"
