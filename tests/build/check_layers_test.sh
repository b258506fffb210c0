#!/usr/bin/env bash
# The layer check fails on an include that points up and on a crowded folder,
# and passes on the tree as it is: run on a copy of src/ with faults planted.
set -uo pipefail
check="$1"; src="$2"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp -r "$src" "$work/src"
bash "$check" "$work/src" >/dev/null || fail "the tree as it is does not pass"

# A printing window that includes the collection window of the program.
printf '#include "app/windows/collection_window.h"\n' >>"$work/src/drawing/windows/print_window.cpp"
out="$(bash "$check" "$work/src")" && fail "an upward include passes"
grep -q 'drawing/windows/print_window.cpp includes app/windows/collection_window.h' <<<"$out" || fail "not named: $out"
rm -rf "$work/src" && cp -r "$src" "$work/src"

# Store logic that includes a window, and coding logic that includes drawing.
printf '#include "store/windows/table_widget_grid.h"\n' >>"$work/src/store/blocks.h"
printf '#include "drawing/colours.h"\n' >>"$work/src/coding/coding_rules.h"
out="$(bash "$check" "$work/src")" && fail "upward includes of the logic pass"
grep -q 'store/blocks.h includes store/windows' <<<"$out" || fail "store fault not named: $out"
grep -q 'coding/coding_rules.h includes drawing/colours.h' <<<"$out" || fail "coding fault not named: $out"
rm -rf "$work/src" && cp -r "$src" "$work/src"

# A folder of 51 files.
for i in $(seq 1 51); do : >"$work/src/exchange/windows/extra_$i.txt"; done
rm -f "$work"/src/exchange/windows/*.cpp "$work"/src/exchange/windows/*.h
out="$(bash "$check" "$work/src")" && fail "a folder of 51 files passes"
grep -q 'folder fault: exchange/windows holds 51 files' <<<"$out" || fail "not named: $out"
echo "ok"
