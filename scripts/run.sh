#!/usr/bin/env bash
# Installs what is missing, builds, and starts the screen saver on the bundled games.
# Usage: scripts/run.sh [saver arguments, default /S]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build

"$top/scripts/install-deps.sh"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "pawnwatch2: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); start it from a desktop session." >&2
  exit 1
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPW2_TESTS=OFF -DPW2_BENCH=OFF
cmake --build "$build"
if [ $# -eq 0 ]; then set -- /S; fi
exec "$build/bin/pawnwatch2" "$@"
