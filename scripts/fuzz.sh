#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 60): scripts/fuzz.sh [seconds] [target...]
# Inputs may grow to CAROTIX_FUZZ_MAX_LEN bytes (default 65536) from the start:
# libFuzzer's own default lets them grow only slowly, so that a short run
# never tries a file of more than a few lines.
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
cmake --build "$build" -j "$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")
export QT_QPA_PLATFORM=offscreen
for n in "${targets[@]}"; do
  work="$(mktemp -d)"; cp -r "$here/fuzz/corpus/$n/." "$work/" 2>/dev/null || true
  echo "== fuzz_$n for ${secs}s"
  "$build/fuzz/fuzz_$n" -max_total_time="$secs" -timeout=2 -rss_limit_mb=4096 \
    -max_len="${CAROTIX_FUZZ_MAX_LEN:-16384}" -len_control=0 "$work"
  rm -rf "$work"
done
