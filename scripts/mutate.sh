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
# once ambiguous; neither counts as caught. Files are read and written as
# bytes: the texts of a line also match a Windows-1252 file (the list is
# UTF-8; they are looked for in Windows-1252 when their UTF-8 bytes are not
# there). Tests that skip prove nothing: a run where one skips, with the
# unchanged sources or with the change, is reported unsound, never a pass
# nor a catch.
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
# The whole tree as the worktree holds it (what git would commit, new files
# included): tests read more than the sources, such as scripts/sample_db.sql
# for the test PostgreSQL server and the scripts the checks run.
if git -C "$here" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$here" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do [ -e "$f" ] || [ -L "$f" ] && printf '%s\0' "$f"; done |
     tar --null -T - -cf - | tar -xf - -C "$src") || { echo "Cannot copy the sources." >&2; exit 2; }
else
  for item in "$here"/*; do
    case "$(basename "$item")" in build*) continue ;; esac
    cp -a "$item" "$src/"
  done
fi

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
import os, sys
parts = [p.strip() for p in os.fsencode(sys.argv[1]).split(b"@@")]
parts += [b""] * (5 - len(parts))
sys.stdout.buffer.write(b"\n".join(parts[:5]) + b"\n")' "$line")
  files+=("${fields[0]}"); originals+=("${fields[1]}"); replacements+=("${fields[2]}")
  targets+=("${fields[3]}"); selectors+=("${fields[4]}")
done <"$list"
count=${#files[@]}
[ "$count" -gt 0 ] || { echo "No change to apply." >&2; exit 2; }

# run_tests TARGET SELECTOR LOG: 0 when the tests pass, 1 when they fail,
# 2 when they pass with some skipped (or none run at all).
run_tests() {
  local target="$1" selector="$2" log="$3" rc
  # Braces around the runs: a crash of a mutated test is a catch, not noise.
  if [[ "$selector" == ctest:* ]]; then
    { (cd "$build" && QT_QPA_PLATFORM=offscreen timeout "$limit" \
       ctest -R "${selector#ctest:}" -j "$jobs" --timeout "$limit" --output-on-failure -V) >"$log" 2>&1; } 2>/dev/null
    rc=$?
    [ "$rc" -ne 0 ] && return 1
    # ctest marks a skipped test "***Skipped" (and a skip it did not see
    # still leaves gtest's own line in the verbose output).
    grep -qE '\*\*\*Skipped|\[  SKIPPED \]|No tests were found' "$log" && return 2
  else
    local filter=()
    [ -n "$selector" ] && filter=(--gtest_filter="$selector")
    { (cd "$build/tests" && QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 timeout "$limit" \
       "./$target" "${filter[@]}") >"$log" 2>&1; } 2>/dev/null
    rc=$?
    [ "$rc" -ne 0 ] && return 1
    grep -qE '^\[  SKIPPED \]|^\[==========\] 0 tests from' "$log" && return 2
  fi
  return 0
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
  run_tests "${targets[i]}" "${selectors[i]}" "$work/logs/baseline-$i.log"
  case $? in
    0) baseline[$key]=pass ;;
    2) baseline[$key]=skip; echo "Baseline skips tests: ${targets[i]} ${selectors[i]}" >&2 ;;
    *) baseline[$key]=fail; echo "Baseline fails: ${targets[i]} ${selectors[i]}" >&2 ;;
  esac
done

caught=0; missed=0; stale=0; other=0
for ((i = 0; i < count; i++)); do
  file="${files[i]}"
  label="$file: ${originals[i]} -> ${replacements[i]}"
  case "${baseline[${targets[i]}|${selectors[i]}]}" in
    fail) printf '%-8s %s\n' "unsound" "$label (the tests fail without the change)"
          other=$((other + 1)); continue ;;
    skip) printf '%-8s %s\n' "unsound" "$label (tests skip without the change)"
          other=$((other + 1)); continue ;;
  esac
  status=$(python3 - "$src/$file" "${originals[i]}" "${replacements[i]}" <<'PY'
import os, sys, shutil
path = sys.argv[1]
original, replacement = (os.fsencode(a) for a in sys.argv[2:4])
try:
    data = open(path, "rb").read()
except OSError:
    print("stale"); sys.exit()
# The list's UTF-8 bytes as they are, else the same text in Windows-1252.
candidates = [(original, replacement)]
try:
    candidates.append((original.decode("utf-8").encode("cp1252"), replacement.decode("utf-8").encode("cp1252")))
except (UnicodeDecodeError, UnicodeEncodeError):
    pass
status = "stale"
for old, new in candidates:
    found = data.count(old)
    if found == 1:
        shutil.copy2(path, path + ".mutate-orig")
        open(path, "wb").write(data.replace(old, new))
        status = "applied"
        break
    if found > 1:
        status = "ambiguous"
        break
print(status)
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
  else
    run_tests "${targets[i]}" "${selectors[i]}" "$log"
    case $? in
      0) printf '%-8s %s\n' "MISSED" "$label"; missed=$((missed + 1)) ;;
      2) printf '%-8s %s\n' "unsound" "$label (tests skip with the change)"; other=$((other + 1)) ;;
      *) printf '%-8s %s\n' "caught" "$label"; caught=$((caught + 1)) ;;
    esac
  fi
  mv "$src/$file.mutate-orig" "$src/$file"
  touch "$src/$file"   # older than the mutated object otherwise: force the rebuild
done

percent=$(awk -v c="$caught" -v n="$count" 'BEGIN { printf "%.0f", n ? 100 * c / n : 0 }')
echo "Caught $caught of $count changes ($percent %): $missed missed, $stale stale, $other not run."
