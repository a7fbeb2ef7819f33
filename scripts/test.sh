#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test; in CI (CI=true) the fuzz targets then run for a minute each.
# Usage: scripts/test.sh [build-folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-test}

"$top/scripts/install-deps.sh" --test
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPW2_SANITIZE=ON
cmake --build "$build"
cd "$build"
ctest --output-on-failure --timeout 600

if [ "${CI:-}" = true ]; then
  "$top/scripts/fuzz.sh" 60
fi
