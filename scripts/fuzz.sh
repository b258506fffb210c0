#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 60): scripts/fuzz.sh [seconds] [target...]
# Inputs may grow to CAROTIX_FUZZ_MAX_LEN bytes (default 16384) from the start:
# libFuzzer's own default lets them grow only slowly, so that a short run
# never tries a file of more than a few lines. The build uses
# CAROTIX_FUZZ_JOBS jobs (default: every core). Every target is fuzzed even
# when one fails; the script exits non-zero at the end if any did.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
secs="${1:-60}"; shift || true
build="${CAROTIX_FUZZ_BUILD:-$here/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCAROTIX_FUZZ=ON -DCAROTIX_TESTS=ON
targets=()
for f in "$here"/fuzz/*.cpp; do
  n="$(basename "$f" .cpp)"
  if [ "$#" -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$n"; then continue; fi
  targets+=("$n")
done
cmake --build "$build" -j "${CAROTIX_FUZZ_JOBS:-$(nproc)}" --target $(printf 'fuzz_%s ' "${targets[@]}")
export QT_QPA_PLATFORM=offscreen
# Every target runs, whatever the ones before it found: a failure is reported
# and counted, and the script fails at the end when any target failed.
failed=()
for n in "${targets[@]}"; do
  work="$(mktemp -d)"; cp -r "$here/fuzz/corpus/$n/." "$work/" 2>/dev/null || true
  echo "== fuzz_$n for ${secs}s"
  # A target whose libraries leak on their own (fontconfig under Qt's text
  # measure) has its LeakSanitizer suppressions in fuzz/lsan/<name>.supp:
  # leaks of the program's own code are still reported.
  supp="$here/fuzz/lsan/$n.supp"
  lsan="${LSAN_OPTIONS:-}"
  if [ -f "$supp" ]; then lsan="suppressions=$supp${lsan:+:$lsan}"; fi
  if LSAN_OPTIONS="$lsan" "$build/fuzz/fuzz_$n" -max_total_time="$secs" -timeout=2 -rss_limit_mb=4096 \
    -max_len="${CAROTIX_FUZZ_MAX_LEN:-16384}" -len_control=0 "$work"; then
    echo "== fuzz_$n: no failure"
  else
    echo "== fuzz_$n: FAILED (exit $?)"
    failed+=("$n")
  fi
  rm -rf "$work"
done
echo "== ${#targets[@]} target(s) fuzzed, ${#failed[@]} failed${failed:+: ${failed[*]}}"
[ "${#failed[@]}" -eq 0 ]
