#!/usr/bin/env bash
# Replay speed and memory of pawnwatch2-check, compared with pgn-extract validating the same games.
#
#   bench/check_speed.sh [build-folder]
#
# The build folder defaults to build-release, configured as a Release tree when it does not exist
# yet; pawnwatch2-check and the board control are (re)built in it. Two files are made with
# bench/make_collection.sh: plain games (the classics repeated, no comments) and heavily commented
# games (the engine games repeated), GAMES games each (default 100,000: about 52 MB and 1.3 GB).
# Each program runs RUNS times on each file (default 2); the best run counts. Rates are
# half-moves per second of CPU time (user + system), which a busy machine disturbs less than wall
# time; wall time is shown too. Both rates use the half-moves that pawnwatch2-check played.
# VmHWM is pawnwatch2-check's peak resident memory. WORK (default a fresh temporary folder)
# holds the files; a file already there with the right number of games is used again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-release}
games=${GAMES:-100000}
runs=${RUNS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S "$top" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DPW2_TESTS=OFF \
        -DPW2_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j 2 --target pawnwatch2-check Vantrelkit >/dev/null
type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
[ "$type" = Release ] || echo "note: $build is a $type build, not Release" >&2
check=$build/bin/pawnwatch2-check

extract=$(command -v pgn-extract || true)
[ -z "$extract" ] && [ -x /usr/games/pgn-extract ] && extract=/usr/games/pgn-extract
[ -z "$extract" ] && echo "pgn-extract: not installed (Debian package pgn-extract), no comparison"

if [ -n "${WORK:-}" ]; then
  work=$WORK
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# Prints "wall cpu" in seconds for the best of RUNS runs (by CPU time).
measure() {
  local best=""
  for _ in $(seq "$runs"); do
    local t
    t=$( { TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1 || true; } 2>&1 | tail -n 1)
    best=$(printf '%s\n%s\n' "$best" "$t" | awk 'NF == 3 { c = $2 + $3; if (b == "" || c < b) { b = c; w = $1 } }
                                              END { printf "%.3f %.3f", w, b }')
  done
  echo "$best"
}

rate() { awk -v n="$half_moves" -v s="$1" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }

# One kind of file: correctness, then both programs' speed, then the checker's peak memory.
bench_kind() {
  local kind=$1 file=$work/$1-$games.pgn
  if [ ! -f "$file" ] || [ "$(grep -c '^\[Event ' "$file")" -lt "$games" ]; then
    "$top/bench/make_collection.sh" "$kind" "$games" "$file" 2>/dev/null
  fi
  # Every game must replay; the half-moves are counted from the report.
  local status=0
  "$check" "$file" >"$work/report.txt" 2>"$work/summary.txt" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "pawnwatch2-check failed on the $kind file (exit $status):" >&2
    tail -n 3 "$work/summary.txt" >&2
    exit 1
  fi
  half_moves=$(awk -F'\t' '{ s += $3 } END { print s }' "$work/report.txt")
  local count bytes hwm
  count=$(wc -l <"$work/report.txt")
  bytes=$(stat -L -c %s "$file")
  hwm=$(peak_kib "$check" "$file")
  printf '%s file: %d games, %.1f MB, %d half-moves\n' "$kind" "$count" \
    "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$half_moves"

  local wall cpu ours theirs
  read -r wall cpu < <(measure "$check" "$file")
  ours=$(rate "$cpu")
  printf '  pawnwatch2-check:  %7.3f s CPU, %7.3f s wall, %9d half-moves/s (%d by wall time), VmHWM %.1f MB\n' \
    "$cpu" "$wall" "$ours" "$(rate "$wall")" "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')"
  [ -z "$extract" ] && return
  # -r: check every game and report errors without writing any game; -s: no progress output.
  read -r wall cpu < <(measure "$extract" -r -s "$file")
  theirs=$(rate "$cpu")
  printf '  pgn-extract -r -s: %7.3f s CPU, %7.3f s wall, %9d half-moves/s (%d by wall time)\n' \
    "$cpu" "$wall" "$theirs" "$(rate "$wall")"
  awk -v a="$ours" -v b="$theirs" -v k="$kind" \
    'BEGIN { printf "  ratio pawnwatch2-check / pgn-extract (%s): %.2f\n", k, (b > 0 ? a / b : 0) }'
}

# The peak resident memory (VmHWM, KiB) of one run: GNU time's maximum resident set size when it
# is installed, otherwise VmHWM sampled from /proc until the process ends.
peak_kib() {
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1
    return
  fi
  "$@" >/dev/null 2>&1 &
  local pid=$! peak=0 v
  while v=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null) && [ -n "$v" ]; do
    peak=$v
    sleep 0.1
  done
  wait "$pid" || true
  echo "$peak"
}

bench_kind plain
bench_kind commented
