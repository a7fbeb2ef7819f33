#!/usr/bin/env bash
# The running saver's weight: average CPU over a minute at 2 seconds per move, and peak resident
# memory over 10,000 half-moves played fast. Usage: bench/saver/saver_load.sh [build-folder]
# The build should be a Release build (scripts/run.sh makes one in build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
exe=$build/bin/pawnwatch2
[ -x "$exe" ] || { echo "no $exe: build first" >&2; exit 2; }

home=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
mkdir -p "$home/config/Pawnwatch2" "$home/run"
chmod 700 "$home/run"
ticks=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# 1. Two seconds per move, one minute.
printf '[Config]\nTimer=2\nTimer2=10\n' > "$home/config/Pawnwatch2/Pawnwatch2.ini"
"$exe" /S & pid=$!
sleep 5
start=$(cpu_ticks "$pid")
sleep 60
used=$(( $(cpu_ticks "$pid") - start ))
echo "cpu at 2 s per move: $(awk -v u="$used" -v t="$ticks" 'BEGIN{printf "%.3f", 100*u/t/60}') % of one core over 60 s"
kill "$pid"; wait "$pid" 2>/dev/null || true

# 2. One millisecond per move: resident memory while 10,000 half-moves are played.
printf '[Config]\nTimer=0.001\nTimer2=0.001\n' > "$home/config/Pawnwatch2/Pawnwatch2.ini"
"$exe" /S & pid=$!
elapsed=0
for s in 1 2 4 8 16 32; do
  sleep "$s"; elapsed=$(( elapsed + s ))
  echo "after ${elapsed}s: $(grep -E 'VmRSS|VmHWM' "/proc/$pid/status" | tr -s ' \n' ' ')"
done
echo "(at about 1 ms per tick, 60 s of play is well over 10,000 half-moves)"
