#!/usr/bin/env bash
# Writes a large PGN collection made of the real games of bench/data, repeated whole:
#
#   bench/make_collection.sh plain|commented GAMES OUT
#
# plain      the classics (64 games, no comments), repeated
# commented  the engine games (226 games, a comment after every move), repeated
# The file holds at least GAMES games (whole repetitions); OUT is written anew.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 3 ] || { echo "usage: $0 plain|commented GAMES OUT" >&2; exit 2; }
case $1 in
plain) source=$top/bench/data/classics.pgn ;;
commented) source=$top/bench/data/engine-games.pgn ;;
*) echo "usage: $0 plain|commented GAMES OUT" >&2; exit 2 ;;
esac
per_copy=$(grep -c '^\[Event ' "$source")
copies=$(( ($2 + per_copy - 1) / per_copy ))
# Doubling keeps the number of writes logarithmic in the number of copies.
out=$3
: >"$out"
chunk=$(mktemp)
trap 'rm -f "$chunk"' EXIT
cat "$source" >"$chunk"
remaining=$copies
while [ "$remaining" -gt 0 ]; do
  if [ $(( remaining & 1 )) -eq 1 ]; then cat "$chunk" >>"$out"; fi
  remaining=$(( remaining >> 1 ))
  if [ "$remaining" -gt 0 ]; then cat "$chunk" "$chunk" >"$chunk.2" && mv "$chunk.2" "$chunk"; fi
done
echo "$out: $(( copies * per_copy )) games, $(stat -c %s "$out") bytes" >&2
