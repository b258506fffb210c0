#!/usr/bin/env bash
# Installs what is needed, builds once with AddressSanitizer and
# UndefinedBehaviorSanitizer (Debug) and runs every test headless.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"

build="${CAROTIX_TEST_BUILD:-$here/build-test}"
jobs="$(nproc)"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCAROTIX_SANITIZE=ON -DCAROTIX_TESTS=ON -DCAROTIX_BENCH=OFF
cmake --build "$build" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
status=0
ctest --output-on-failure -j "$jobs" --timeout 900 || status=$?
bash "$here/scripts/test_ratio.sh" || true
exit "$status"
