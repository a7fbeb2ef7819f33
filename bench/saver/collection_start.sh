#!/usr/bin/env bash
# The saver's start on a .zip collection whose plain cache is made, against its start on the
# bundled games: a zip of 1,000 and of 100,000 real games (bench/make_collection.sh) is named in
# the settings as a user would; a first start makes its cache and stores the table that indexes
# it; then the saver starts five times in turns with the bundled games, and the median time from
# reading the settings to the first painted board, and the peak resident memory, are printed, with
# the ratio to the bundled games' start. The first start's time (cache made, games indexed, first
# game loaded) is printed too.
#
#   bench/saver/collection_start.sh [build-folder]     (a Release build, default build-rel)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-rel}
bench=$build/bin/start_bench
[ -x "$bench" ] || { echo "no $bench: build the start_bench target first" >&2; exit 2; }

work=$(mktemp -d /var/tmp/pawnwatch2-start-XXXXXX)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run XDG_CACHE_HOME=$work/cache
mkdir -p "$work/run" && chmod 700 "$work/run"

mkdir -p "$work/bundled"
"$bench" prepare "$work/bundled" "$build/bin/default.pgn" >/dev/null
sizes=(1000 100000)
median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

printf '%-20s %10s %12s %10s %16s\n' games "start ms" "peak RSS MB" "vs bundled" "first start ms"
for n in "${sizes[@]}"; do
  "$top/bench/make_collection.sh" plain "$n" "$work/games-$n.pgn" 2>/dev/null
  (cd "$work" && zip -q -9 "games-$n.zip" "games-$n.pgn" && rm "games-$n.pgn")
  mkdir -p "$work/z$n"
  "$bench" hand "$work/z$n" "$work/games-$n.zip" >/dev/null
  first=$("$bench" run "$work/z$n" | cut -d' ' -f3)
  : >"$work/b.txt"; : >"$work/z.txt"
  for _ in 1 2 3 4 5; do
    "$bench" run "$work/bundled" >>"$work/b.txt"
    "$bench" run "$work/z$n" >>"$work/z.txt"
  done
  b_ms=$(cut -d' ' -f1 "$work/b.txt" | median)
  z_ms=$(cut -d' ' -f1 "$work/z.txt" | median); z_kb=$(cut -d' ' -f2 "$work/z.txt" | median)
  awk -v n="$n .zip" -v ms="$z_ms" -v kb="$z_kb" -v b="$b_ms" -v f="$first" \
    'BEGIN{printf "%-20s %10d %12.1f %10.2f %16d  (bundled in the same turns: %d ms)\n", n, ms, kb/1024, ms/(b>0?b:1), f, b}'
done
