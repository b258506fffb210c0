#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all (or those named).
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"
build="${CAROTIX_BENCH_BUILD:-$here/build-bench}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCAROTIX_TESTS=OFF -DCAROTIX_BENCH=ON
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
for b in "$build"/bench/bench_*; do
  name="$(basename "$b")"
  if [ "$#" -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "${name#bench_}"; then continue; fi
  echo "== $name"
  "$b"
done
