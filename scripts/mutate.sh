#!/usr/bin/env bash
# Mutation check: applies each one-line change of a list to a copy of the
# sources, builds what its tests need and runs them. A change is caught when
# the tests fail. The worktree itself is never touched.
#
#   scripts/mutate.sh [LIST] [PATTERN]
#
# LIST defaults to tests/mutations.txt; PATTERN (grep -E) keeps only the lines
# that match it. Each list line reads
#   file @@ original text @@ replacement @@ test target @@ selector
# where the original text is the exact text of one line of the file or a
# substring found once in it, the test target is the test program to build,
# and the optional selector is a --gtest_filter pattern, or "ctest:REGEX" to
# run ctest -R REGEX instead. Blank lines and lines starting with # are skipped.
# A line whose original text is gone is reported stale, one found more than
# once ambiguous; neither counts as caught.
#
# Everything happens in a fresh temporary folder (sources and a Debug build
# without sanitizers), so that several runs can go side by side; builds and
# ctest use at most CAROTIX_MUTATE_JOBS (3) jobs, each test run is bounded by
# CAROTIX_MUTATE_TIMEOUT (300) seconds.
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
list="${1:-$here/tests/mutations.txt}"
pattern="${2:-}"
jobs="${CAROTIX_MUTATE_JOBS:-3}"
limit="${CAROTIX_MUTATE_TIMEOUT:-300}"
[ -f "$list" ] || { echo "No list: $list" >&2; exit 2; }
list="$(cd "$(dirname "$list")" && pwd)/$(basename "$list")"

work="$(mktemp -d "${TMPDIR:-/tmp}/carotix-mutate.XXXXXX")"
cleanup() { [ -n "${CAROTIX_MUTATE_KEEP:-}" ] && echo "Kept $work" || rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM
src="$work/src"
build="$work/build"
mkdir -p "$src" "$work/logs"
for item in CMakeLists.txt cmake codage src tests data fuzz bench; do
  [ -e "$here/$item" ] && cp -a "$here/$item" "$src/"
done

launcher=()
if command -v ccache >/dev/null 2>&1; then
  # Paths relative to the temporary folder, so that runs share the cache.
  export CCACHE_BASEDIR="$work" CCACHE_NOHASHDIR=1
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
if ! cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCAROTIX_SANITIZE=OFF \
     -DCAROTIX_TESTS=ON -DCAROTIX_BENCH=OFF "${launcher[@]}" >"$work/logs/configure.log" 2>&1; then
  cat "$work/logs/configure.log" >&2
  exit 2
fi

# The list, parsed once: parallel arrays of the fields.
files=(); originals=(); replacements=(); targets=(); selectors=()
while IFS= read -r line || [ -n "$line" ]; do
  case "$line" in ''|'#'*) continue ;; esac
  [ -n "$pattern" ] && ! grep -qE -- "$pattern" <<<"$line" && continue
  mapfile -t fields < <(python3 -c '
import sys
parts = [p.strip() for p in sys.argv[1].split("@@")]
parts += [""] * (5 - len(parts))
print("\n".join(parts[:5]))' "$line")
  files+=("${fields[0]}"); originals+=("${fields[1]}"); replacements+=("${fields[2]}")
  targets+=("${fields[3]}"); selectors+=("${fields[4]}")
done <"$list"
count=${#files[@]}
[ "$count" -gt 0 ] || { echo "No change to apply." >&2; exit 2; }

# run_tests TARGET SELECTOR LOG: 0 when the tests pass.
run_tests() {
  local target="$1" selector="$2" log="$3"
  # Braces around the runs: a crash of a mutated test is a catch, not noise.
  if [[ "$selector" == ctest:* ]]; then
    { (cd "$build" && QT_QPA_PLATFORM=offscreen timeout "$limit" \
       ctest -R "${selector#ctest:}" -j "$jobs" --timeout "$limit" --output-on-failure) >"$log" 2>&1; } 2>/dev/null
  else
    local filter=()
    [ -n "$selector" ] && filter=(--gtest_filter="$selector")
    { (cd "$build/tests" && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 timeout "$limit" \
       "./$target" "${filter[@]}") >"$log" 2>&1; } 2>/dev/null
  fi
}

# The unchanged sources first: tests that fail already would catch everything.
mapfile -t unique < <(printf '%s\n' "${targets[@]}" | sort -u)
echo "Building ${#unique[@]} test programs (-j$jobs)..."
if ! cmake --build "$build" -j "$jobs" --target "${unique[@]}" >"$work/logs/baseline.log" 2>&1; then
  tail -40 "$work/logs/baseline.log" >&2
  echo "The unchanged sources do not build." >&2
  exit 2
fi
declare -A baseline=()
for ((i = 0; i < count; i++)); do
  key="${targets[i]}|${selectors[i]}"
  [ -n "${baseline[$key]:-}" ] && continue
  if run_tests "${targets[i]}" "${selectors[i]}" "$work/logs/baseline-$i.log"; then
    baseline[$key]=pass
  else
    baseline[$key]=fail
    echo "Baseline fails: ${targets[i]} ${selectors[i]}" >&2
  fi
done

caught=0; missed=0; stale=0; other=0
for ((i = 0; i < count; i++)); do
  file="${files[i]}"
  label="$file: ${originals[i]} -> ${replacements[i]}"
  if [ "${baseline[${targets[i]}|${selectors[i]}]}" = fail ]; then
    printf '%-8s %s\n' "unsound" "$label (the tests fail without the change)"
    other=$((other + 1)); continue
  fi
  status=$(python3 - "$src/$file" "${originals[i]}" "${replacements[i]}" <<'PY'
import sys, shutil
path, original, replacement = sys.argv[1:4]
try:
    text = open(path, encoding="utf-8", newline="").read()
except OSError:
    print("stale"); sys.exit()
found = text.count(original)
if found == 0:
    print("stale")
elif found > 1:
    print("ambiguous")
else:
    shutil.copy2(path, path + ".mutate-orig")
    open(path, "w", encoding="utf-8", newline="").write(text.replace(original, replacement))
    print("applied")
PY
)
  case "$status" in
    stale) printf '%-8s %s\n' "stale" "$label"; stale=$((stale + 1)); continue ;;
    ambiguous) printf '%-8s %s\n' "ambiguous" "$label"; other=$((other + 1)); continue ;;
  esac
  log="$work/logs/mutation-$i.log"
  if ! cmake --build "$build" -j "$jobs" --target "${targets[i]}" >"$log" 2>&1; then
    printf '%-8s %s\n' "unbuilt" "$label"
    other=$((other + 1))
  elif run_tests "${targets[i]}" "${selectors[i]}" "$log"; then
    printf '%-8s %s\n' "MISSED" "$label"
    missed=$((missed + 1))
  else
    printf '%-8s %s\n' "caught" "$label"
    caught=$((caught + 1))
  fi
  mv "$src/$file.mutate-orig" "$src/$file"
  touch "$src/$file"   # older than the mutated object otherwise: force the rebuild
done

percent=$(awk -v c="$caught" -v n="$count" 'BEGIN { printf "%.0f", n ? 100 * c / n : 0 }')
echo "Caught $caught of $count changes ($percent %): $missed missed, $stale stale, $other not run."
