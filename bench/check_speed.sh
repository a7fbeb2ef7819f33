#!/usr/bin/env bash
# Replay speed of pawnwatch2-check, compared with pgn-extract validating the same games.
#
#   bench/check_speed.sh [build-folder]
#
# The build folder defaults to build-release, configured as a Release tree when it does not exist
# yet; pawnwatch2-check and the board control are (re)built in it. The games are the real games
# of bench/data, repeated into one file of several thousand games (ROUNDS, default 18: 5,220
# games). Each program runs three times; the best run counts. Rates are half-moves per second of
# CPU time (user + system), which a busy machine disturbs less than wall time; wall time is shown
# too. Both rates use the half-moves that pawnwatch2-check played.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-release}
rounds=${ROUNDS:-18}

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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
games=$work/games.pgn
for _ in $(seq "$rounds"); do
  cat "$top/bench/data/engine-games.pgn" "$top/bench/data/classics.pgn" >>"$games"
done

# Correctness first: every game must replay, and the half-moves are counted from the report.
status=0
"$check" "$games" >"$work/report.txt" 2>"$work/summary.txt" || status=$?
if [ "$status" -ne 0 ]; then
  echo "pawnwatch2-check failed (exit $status):" >&2
  tail -n 3 "$work/summary.txt" >&2
  exit 1
fi
half_moves=$(awk -F'\t' '{ s += $3 } END { print s }' "$work/report.txt")
count=$(wc -l <"$work/report.txt")
bytes=$(wc -c <"$games")

# Prints "wall cpu" in seconds for the best of three runs (by CPU time).
measure() {
  local best=""
  for _ in 1 2 3; do
    local t
    t=$( { TIMEFORMAT='%3R %3U %3S'; time "$@" >/dev/null 2>&1 || true; } 2>&1 | tail -n 1)
    best=$(printf '%s\n%s\n' "$best" "$t" | awk 'NF == 3 { c = $2 + $3; if (b == "" || c < b) { b = c; w = $1 } }
                                              END { printf "%.3f %.3f", w, b }')
  done
  echo "$best"
}

rate() { awk -v n="$half_moves" -v s="$1" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }'; }

printf 'file: %d games, %d half-moves, %d bytes\n' "$count" "$half_moves" "$bytes"
read -r wall cpu < <(measure "$check" "$games")
ours=$(rate "$cpu")
printf 'pawnwatch2-check:     %6.3f s CPU, %6.3f s wall, %9d half-moves/s (%d by wall time)\n' \
  "$cpu" "$wall" "$ours" "$(rate "$wall")"

extract=$(command -v pgn-extract || true)
[ -z "$extract" ] && [ -x /usr/games/pgn-extract ] && extract=/usr/games/pgn-extract
if [ -z "$extract" ]; then
  echo "pgn-extract: not installed (Debian package pgn-extract), no comparison"
  exit 0
fi
# -r: check every game and report errors without writing any game; -s: no progress output.
read -r wall cpu < <(measure "$extract" -r -s "$games")
theirs=$(rate "$cpu")
printf 'pgn-extract -r -s:    %6.3f s CPU, %6.3f s wall, %9d half-moves/s (%d by wall time)\n' \
  "$cpu" "$wall" "$theirs" "$(rate "$wall")"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio pawnwatch2-check / pgn-extract: %.2f\n", (b > 0 ? a / b : 0) }'
