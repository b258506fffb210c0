#!/usr/bin/env bash
# Installs what is needed, builds Carotix (release) and starts it on the
# sample collection of its program folder.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/scripts/setup.sh"

build="${CAROTIX_BUILD:-$here/build}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCAROTIX_TESTS=OFF
cmake --build "$build" -j "$(nproc)"

program="$build/program"
sample="$program/Exemples/exemple.crx"
if [ -f "$sample" ]; then
  exec "$program/carotix" "$sample"
else
  exec "$program/carotix"
fi
