#!/usr/bin/env bash
# Replay speed and memory of pawnwatch2-check, compared with pgn-extract validating the same games.
#
#   bench/check_speed.sh [build-folder]
#
# Three tables. Speed: on each kind of file (KINDS, default "plain tiny commented"), the checker
# on one core (-j 1, the board control) and on every core (the default -j), and pgn-extract -r;
# the two checker runs must print the same bytes. Formats: the plain file compressed with gzip,
# bzip2, xz and zstd, as a zip and a tar.gz of two halves and as a folder of them, each checked
# with the default -j: its report must be the plain file's, byte for byte; time and peak memory.
# Large: LARGE games (default 463,558, the size class of a month of a game database) of the
# classics as .pgn.zst, streamed: peak memory.
#
# The build folder defaults to build-release, configured as a Release tree when it does not exist
# yet; pawnwatch2-check and the board control are (re)built in it. Two files are made with
# bench/make_collection.sh: plain games (the classics repeated, no comments), tiny games
# ([Event "t"] and 1. e4 e5 1-0) and heavily commented games (the engine games repeated), GAMES
# games each (default 100,000: about 52 MB, 3 MB and 1.3 GB).
# Each program runs RUNS times on each file (default 2); the best run counts (by CPU time). Rates
# and ratios are by wall time, since the parallel checker spends more CPU time to take less wall
# time; CPU time is shown too. Both rates use the half-moves that pawnwatch2-check played.
# VmHWM is pawnwatch2-check's peak resident memory. WORK (default a fresh temporary folder)
# holds the files; a file already there with the right number of games is used again.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-release}
games=${GAMES:-100000}
runs=${RUNS:-2}
kinds=${KINDS:-plain tiny commented}
large=${LARGE:-463558}
cores=$(nproc)

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

# The file of one kind, made when missing.
make_file() {
  local kind=$1 count=$2 file=$3
  [ -f "$file" ] && [ "$(grep -c '^\[Event ' "$file")" -ge "$count" ] && return
  if [ "$kind" = tiny ]; then
    awk -v n="$count" 'BEGIN { for (i = 0; i < n; i++) printf "[Event \"t\"]\n1. e4 e5 1-0\n\n" }' >"$file"
  else
    "$top/bench/make_collection.sh" "$kind" "$count" "$file" 2>/dev/null
  fi
}

# One kind of file: correctness, then both programs' speed, then the checker's peak memory.
bench_kind() {
  local kind=$1 file=$work/$1-$games.pgn
  make_file "$kind" "$games" "$file"
  # Every game must replay; the half-moves are counted from the report; every core must print
  # what one core prints.
  local status=0
  "$check" -j 1 "$file" >"$work/report.txt" 2>"$work/summary.txt" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "pawnwatch2-check failed on the $kind file (exit $status):" >&2
    tail -n 3 "$work/summary.txt" >&2
    exit 1
  fi
  "$check" --fen -j 1 "$file" >"$work/$kind-fen-1.txt" 2>/dev/null
  "$check" --fen "$file" >"$work/$kind-fen-all.txt" 2>/dev/null
  cmp -s "$work/$kind-fen-1.txt" "$work/$kind-fen-all.txt" ||
    { echo "the $kind file: -j $cores prints other lines than -j 1" >&2; exit 1; }
  half_moves=$(awk -F'\t' '{ s += $3 } END { print s }' "$work/report.txt")
  local count bytes
  count=$(wc -l <"$work/report.txt")
  bytes=$(stat -L -c %s "$file")
  printf '%s file: %d games, %.1f MB, %d half-moves; -j %d prints what -j 1 prints\n' "$kind" \
    "$count" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$half_moves" "$cores"

  local wall cpu one all theirs hwm
  for jobs in 1 "$cores"; do
    read -r wall cpu < <(measure "$check" -j "$jobs" "$file")
    hwm=$(peak_kib "$check" -j "$jobs" "$file")
    printf '  pawnwatch2-check -j %d: %7.3f s wall, %7.3f s CPU, %9d half-moves/s by wall time, VmHWM %.1f MB\n' \
      "$jobs" "$wall" "$cpu" "$(rate "$wall")" "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')"
    if [ "$jobs" = 1 ]; then one=$wall; else all=$wall; fi
  done
  awk -v a="$one" -v b="$all" -v c="$cores" \
    'BEGIN { printf "  -j %d against -j 1: %.2fx\n", c, (b > 0 ? a / b : 0) }'
  [ -z "$extract" ] && return
  # -r: check every game and report errors without writing any game; -s: no progress output.
  read -r wall cpu < <(measure "$extract" -r -s "$file")
  theirs=$wall
  printf '  pgn-extract -r -s:  %7.3f s wall, %7.3f s CPU, %9d half-moves/s by wall time\n' \
    "$wall" "$cpu" "$(rate "$wall")"
  awk -v a="$one" -v b="$all" -v t="$theirs" -v c="$cores" \
    'BEGIN { printf "  against pgn-extract (wall time): -j 1 %.2fx, -j %d %.2fx\n", t / a, c, t / b }'
}

# The plain file in every format the reader knows: the same report, its time and memory.
bench_formats() {
  local file=$work/plain-$games.pgn dir=$work/formats
  make_file plain "$games" "$file"
  rm -rf "$dir"
  mkdir -p "$dir/folder"
  "$check" --fen -j 1 "$file" >"$dir/plain.txt" 2>/dev/null
  gzip -c "$file" >"$dir/games.pgn.gz"
  bzip2 -c "$file" >"$dir/games.pgn.bz2"
  xz -T1 -c "$file" >"$dir/games.pgn.xz"
  zstd -q -c "$file" >"$dir/games.pgn.zst"
  # Two halves, cut between games: a.pgn and b.pgn.
  local half
  half=$(awk '/^\[Event / { n++ } n > '"$((games / 2))"' { print NR; exit }' "$file")
  head -n $((half - 1)) "$file" >"$dir/folder/a.pgn"
  tail -n +"$half" "$file" >"$dir/folder/b.pgn"
  echo "not a game" >"$dir/folder/notes.txt"
  (cd "$dir/folder" && tar czf "$dir/games.tar.gz" b.pgn a.pgn notes.txt)
  (cd "$dir/folder" && python3 -c 'import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    [z.write(n) for n in ("b.pgn", "notes.txt", "a.pgn")]' "$dir/games.zip")
  printf '\nformats (%d plain games, -j %d):\n' "$games" "$cores"
  printf '  %-14s %10s %9s %9s %10s  %s\n' format bytes "wall s" "CPU s" "VmHWM MB" report
  for name in plain.pgn games.pgn.gz games.pgn.bz2 games.pgn.xz games.pgn.zst games.zip \
              games.tar.gz folder; do
    local path=$dir/$name same wall cpu hwm size
    [ "$name" = plain.pgn ] && path=$file
    "$check" --fen "$path" >"$dir/out.txt" 2>/dev/null || true
    same=differs
    cmp -s "$dir/out.txt" "$dir/plain.txt" && same="= plain"
    read -r wall cpu < <(measure "$check" "$path")
    hwm=$(peak_kib "$check" "$path")
    size=$(du -sb "$path" | cut -f1)
    printf '  %-14s %10d %9.3f %9.3f %10.1f  %s\n' "$name" "$size" "$wall" "$cpu" \
      "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')" "$same"
  done
}

# A month of a game database in size: LARGE games as .pgn.zst, streamed with the default -j.
bench_large() {
  local file=$work/plain-$large.pgn
  make_file plain "$large" "$file"
  zstd -q -f -c "$file" >"$file.zst"
  local hwm wall cpu
  read -r wall cpu < <(measure "$check" "$file.zst")
  hwm=$(peak_kib "$check" "$file.zst")
  printf '\nlarge: %d games, %.1f MB as text, %.1f MB as .pgn.zst: %.3f s wall, VmHWM %.1f MB\n' \
    "$(grep -c '^\[Event ' "$file")" "$(awk -v b="$(stat -c %s "$file")" 'BEGIN { print b / 1e6 }')" \
    "$(awk -v b="$(stat -c %s "$file.zst")" 'BEGIN { print b / 1e6 }')" "$wall" \
    "$(awk -v k="$hwm" 'BEGIN { print k / 1024 }')"
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

for kind in $kinds; do bench_kind "$kind"; done
bench_formats
bench_large
