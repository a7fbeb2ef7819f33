#!/usr/bin/env bash
# Installs what is missing, builds the libFuzzer targets of fuzz/ with clang++ into build-fuzz/,
# and runs each one for SECONDS (default 60), one after another in a single process each (as
# -jobs=1 -workers=1 would, without the extra log files). Prints per target the executions, the
# coverage (cov: and ft: of libFuzzer's last stats line) and the result; exits non-zero when any
# target crashed, leaked, ran out of time or memory, or made a sanitizer report.
#
# Usage: scripts/fuzz.sh [SECONDS]
# The corpora grow in build-fuzz/corpus/ from run to run; the seeds are made anew from the test
# and bundled games; inputs that fail are saved under /tmp/pawnwatch2-fuzz/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$top/build-fuzz
artifacts=/tmp/pawnwatch2-fuzz
case $seconds in
'' | *[!0-9]*)
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
  ;;
esac

"$top/scripts/install-deps.sh" --fuzz
cmake -S "$top/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DPW2_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"

rm -rf "$build/seeds"
"$build/bin/fuzz_make_seeds" "$build/seeds" "$top"/tests/data/*.pgn "$top/data/default.pgn"
mkdir -p "$artifacts" "$build/logs"
# The collection reader's seeds: the test games compressed and archived in each format it reads.
archives=$build/seeds/archives
mkdir -p "$archives"
small=$top/tests/data/set-up-games.pgn
gzip -c "$small" >"$archives/games.pgn.gz"
bzip2 -c "$small" >"$archives/games.pgn.bz2"
xz -c "$small" >"$archives/games.pgn.xz"
zstd -q -c "$small" >"$archives/games.pgn.zst"
(cd "$top/tests/data" && tar cf "$archives/games.tar" set-up-games.pgn tags-and-line-comments.pgn README.md &&
  tar czf "$archives/games.tar.gz" set-up-games.pgn commentary.pgn)
cp "$small" "$archives/games.pgn"

# target:seed folder:dictionary
targets=(
  engine:games:pgn.dict
  game_spans:files:pgn.dict
  settings:settings:
  edit_round_trip:files:pgn.dict
  rules:games:
  collection:archives:
  comment_commands:games:comment_commands.dict
)
export UBSAN_OPTIONS=print_stacktrace=1

failures=0
total=0
rows=()
for entry in "${targets[@]}"; do
  IFS=: read -r target seeds dict <<<"$entry"
  corpus=$build/corpus/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus"
  args=(-max_len=65536 -timeout=10 -rss_limit_mb=2048 -max_total_time="$seconds"
    -print_final_stats=1 -artifact_prefix="$artifacts/$target-")
  [ -n "$dict" ] && args+=(-dict="$top/fuzz/$dict")
  echo "fuzz_$target: ${seconds}s"
  rc=0
  "$build/bin/fuzz_$target" "${args[@]}" "$corpus" "$build/seeds/$seeds" >"$log" 2>&1 || rc=$?

  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  stats=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
  cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$stats")
  ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$stats")
  result=ok
  if [ "$rc" -ne 0 ] || grep -qE 'ERROR: |runtime error:|WARNING: [A-Za-z]*Sanitizer' "$log"; then
    failures=$((failures + 1))
    reason=$(grep -m1 -E '^fuzz_[a-z_]+: |ERROR: |runtime error:|ALARM: ' "$log" || true)
    artifact=$(sed -n 's/.*Test unit written to //p' "$log" | tail -1)
    result="FAIL (exit $rc) ${reason:-see $log}${artifact:+; input: $artifact}"
    echo "--- last lines of $log:"
    tail -40 "$log"
  fi
  total=$((total + ${execs:-0}))
  rows+=("$(printf '%-22s %12s %6s %7s  %s' "fuzz_$target" "${execs:-?}" "${cov:-?}" "${ft:-?}" "$result")")
done

printf '\n%-22s %12s %6s %7s  %s\n' target executions cov ft result
printf '%s\n' "${rows[@]}"
printf '%-22s %12s\n' total "$total"
echo "fuzz: $((${#targets[@]} - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
