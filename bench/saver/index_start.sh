#!/usr/bin/env bash
# The saver's start on a PGN file with no table of its own (PGNFile set by hand, or the table
# damaged or of another file): the file is indexed at the start, in the background for a large
# file. For a plain and a commented collection of about 300 MB (bench/make_collection.sh), the
# median of three cold starts of: the time from reading the settings to the first painted board,
# the peak resident memory then, and the time until the first game is loaded (the index in); then
# the same start on the table that the first start stored.
#
#   bench/saver/index_start.sh [build-folder]     (a Release build, default build-rel)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build-rel}
bench=$build/bin/start_bench
[ -x "$bench" ] || { echo "no $bench: build the start_bench target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$work/run
mkdir -p "$work/run" && chmod 700 "$work/run"

median() { sort -n | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

printf '%-28s %8s %14s %12s %16s\n' file MB "first board ms" "peak RSS MB" "first game ms"
for kind in plain:580000 commented:24000; do
  name=${kind%%:*}; games=${kind##*:}
  pgn=$work/$name.pgn
  "$top/bench/make_collection.sh" "$name" "$games" "$pgn" 2>/dev/null
  mb=$(( $(stat -c %s "$pgn") / 1000000 ))
  for table in none stored; do
    : >"$work/r.txt"
    for _ in 1 2 3; do
      if [ "$table" = none ]; then
        rm -rf "$work/m" && mkdir -p "$work/m"
        "$bench" hand "$work/m" "$pgn"
      fi
      "$bench" run "$work/m" >>"$work/r.txt"
    done
    ms=$(cut -d' ' -f1 "$work/r.txt" | median); kb=$(cut -d' ' -f2 "$work/r.txt" | median)
    game=$(cut -d' ' -f3 "$work/r.txt" | median)
    printf '%-28s %8d %14d %12.1f %16d\n' "$name, table $table" "$mb" "$ms" \
      "$(awk -v kb="$kb" 'BEGIN{print kb/1024}')" "$game"
  done
  rm -f "$pgn"
done
