#!/usr/bin/env bash
# The saver's start and memory against the number of games in its match: the 30 bundled games,
# and collections of 1,000, 100,000 and 500,000 real games (bench/make_collection.sh). For each,
# the match is stored as the setup dialog stores it; then the saver starts on it in a fresh
# process, five times in turns with the bundled games, and the median time from reading the
# settings to the first painted board, and the peak resident memory, are printed, with the ratio
# to the bundled games' start.
#
#   bench/saver/start_bench.sh [build-folder]     (a Release build, default build-rel)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-rel}
bench=$build/bin/start_bench
[ -x "$bench" ] || { echo "no $bench: build the start_bench target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run
mkdir -p "$work/run" && chmod 700 "$work/run"

mkdir -p "$work/bundled"
"$bench" prepare "$work/bundled" "$build/bin/default.pgn" >/dev/null
sizes=(1000 100000 500000)
for n in "${sizes[@]}"; do
  "$top/bench/make_collection.sh" plain "$n" "$work/games-$n.pgn" 2>/dev/null
  mkdir -p "$work/m$n"
  "$bench" prepare "$work/m$n" "$work/games-$n.pgn" >/dev/null
done

median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

printf '%-16s %10s %12s %10s\n' games "start ms" "peak RSS MB" "vs bundled"
for n in "${sizes[@]}"; do
  : >"$work/b.txt"; : >"$work/m.txt"
  for _ in 1 2 3 4 5; do
    "$bench" run "$work/bundled" >>"$work/b.txt"
    "$bench" run "$work/m$n" >>"$work/m.txt"
  done
  b_ms=$(cut -d' ' -f1 "$work/b.txt" | median); b_kb=$(cut -d' ' -f2 "$work/b.txt" | median)
  m_ms=$(cut -d' ' -f1 "$work/m.txt" | median); m_kb=$(cut -d' ' -f2 "$work/m.txt" | median)
  if [ "$n" = "${sizes[0]}" ]; then
    awk -v ms="$b_ms" -v kb="$b_kb" 'BEGIN{printf "%-16s %10d %12.1f %10.2f\n", "30 (bundled)", ms, kb/1024, 1}'
  fi
  awk -v n="$n" -v ms="$m_ms" -v kb="$m_kb" -v b="$b_ms" \
    'BEGIN{printf "%-16s %10d %12.1f %10.2f  (bundled in the same turns: %d ms)\n", n, ms, kb/1024, ms/(b>0?b:1), b}'
done
