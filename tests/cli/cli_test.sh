#!/usr/bin/env bash
# Checks the command-line conventions of both programs as a terminal sees them, with nothing of a
# display in the environment (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM):
#   - --help and -h print the usage on standard output and exit 0, on lines of at most 80
#     columns, and the usage names each of the program's switches, variables and files;
#   - --version prints "NAME VERSION" and exits 0;
#   - an answer or a replay report that cannot be written (standard output on /dev/full) is not
#     reported as success;
#   - a switch pawnwatch2 does not know still starts the saver (on the offscreen platform, on a
#     fresh account), which runs until SIGTERM ends it with status 0.
# Usage: cli_test.sh PAWNWATCH2 PAWNWATCH2_CHECK VERSION
# The sanitizer variables (ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS) are passed on.
# Exit status: 0 every check passed, 1 a check failed, 2 wrong arguments.
set -euo pipefail

if [ $# -ne 3 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
pawnwatch2=$1
check=$2
version=$3

name=cli
source "$(dirname "$0")/../screens/xvfb_session.sh"
pass() { echo "ok: $*"; }

# A terminal without a display: the system's PATH, and the sanitizers' options.
bare_env=(PATH=/usr/bin:/bin)
for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    if [ -n "${!var:-}" ]; then bare_env+=("$var=${!var}"); fi
done
bare_run() { env -i "${bare_env[@]}" "$@"; }

# Runs "$@" without a display; sets $status, $out (standard output) and $err.
run_bare() {
    status=0
    bare_run "$@" >"$work/out" 2>"$work/err" || status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

# check_help PROGRAM NAME ITEM...: --help and -h answer with the same usage naming every ITEM.
check_help() {
    local program=$1 shown=$2
    shift 2
    run_bare "$program" --help
    local help=$out
    if [ "$status" -ne 0 ] || [ -n "$err" ]; then
        fail "$shown --help: status $status, standard error: $err"
    elif [[ $(head -1 <<<"$help") != "usage: $shown "* ]]; then
        fail "$shown --help: first line '$(head -1 <<<"$help")'"
    elif awk 'length > 80 { found = 1 } END { exit !found }' <<<"$help"; then
        fail "$shown --help: lines wider than 80 columns"
        awk 'length > 80' <<<"$help" >&2
    else
        local missing=()
        for item in "$@"; do
            grep -qF -e "$item" <<<"$help" || missing+=("$item")
        done
        if [ ${#missing[@]} -eq 0 ]; then
            pass "$shown --help: usage naming $*"
        else
            fail "$shown --help does not name: ${missing[*]}"
            echo "$help" >&2
        fi
    fi
    run_bare "$program" -h
    [ "$status" -eq 0 ] && [ "$out" = "$help" ] && pass "$shown -h: the same usage" ||
        fail "$shown -h: status $status, a different text"
}

# check_version PROGRAM NAME: --version prints "NAME VERSION" and nothing else.
check_version() {
    local program=$1 shown=$2
    run_bare "$program" --version
    if [ "$status" -eq 0 ] && [ "$out" = "$shown $version" ] && [ -z "$err" ] &&
        [ "$(wc -l <"$work/out")" -eq 1 ]; then
        pass "$shown --version: $out"
    else
        fail "$shown --version: status $status, '$out', standard error '$err'"
    fi
}

# check_unwritable PROGRAM NAME STATUS: with standard output on /dev/full, --help and --version
# end with STATUS and a message.
check_unwritable() {
    local program=$1 shown=$2 expected=$3
    for switch in --help --version; do
        local status=0
        bare_run "$program" "$switch" >/dev/full 2>"$work/err" || status=$?
        if [ "$status" -eq "$expected" ] && [ -s "$work/err" ]; then
            pass "$shown $switch on a full device: status $status, $(head -1 "$work/err")"
        else
            fail "$shown $switch on a full device: status $status, standard error: $(cat "$work/err")"
        fi
    done
}

check_help "$pawnwatch2" pawnwatch2 /S /C /P -root "-window-id ID" XSCREENSAVER_WINDOW \
    XSECURELOCK_SAVER --help --version "~/.config/Pawnwatch2/Pawnwatch2.ini" "[Config]" \
    "~/.config/Pawnwatch2/Pawnwatch2.matches" XDG_CONFIG_HOME
check_version "$pawnwatch2" pawnwatch2
check_unwritable "$pawnwatch2" pawnwatch2 1
check_help "$check" pawnwatch2-check "[--fen] [-j N] [--unpack-limit BYTES] FILE" --fen -j \
    --unpack-limit --help --version "Exit status: 0" \
    "1 a game failed" "2 the file cannot be read" "standard input"
check_version "$check" pawnwatch2-check
check_unwritable "$check" pawnwatch2-check 2
# Nor is a replay whose report is lost.
games=$(dirname "$pawnwatch2")/default.pgn
status=0
bare_run "$check" "$games" >/dev/full 2>"$work/err" || status=$?
if [ "$status" -eq 2 ] && grep -q 'cannot write' "$work/err"; then
    pass "pawnwatch2-check with its report on a full device: status 2, $(grep "cannot write" "$work/err")"
else
    fail "pawnwatch2-check with its report on a full device: status $status, $(cat "$work/err")"
fi

# A switch pawnwatch2 does not know runs the saver, as /S does: on a fresh account it indexes the
# bundled games into a new settings file and keeps playing until SIGTERM.
home=$work/home
runtime=$work/runtime
mkdir -p "$home/.config" "$runtime"
chmod 700 "$runtime"
settings=$home/.config/Pawnwatch2/Pawnwatch2.ini
# env execs the program, so that $! is the saver's own process.
env -i "${bare_env[@]}" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$runtime" \
    QT_QPA_PLATFORM=offscreen "$pawnwatch2" --frobnicate >"$work/saver.log" 2>&1 &
saver_pid=$!
for _ in $(seq 1 100); do
    grep -q '^NumOfGames=' "$settings" 2>/dev/null && break
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.2
done
sleep 1
if kill -0 "$saver_pid" 2>/dev/null && grep -q '^NumOfGames=[1-9]' "$settings"; then
    pass "pawnwatch2 --frobnicate runs the saver: $(grep '^NumOfGames=' "$settings")"
    kill -TERM "$saver_pid"
    status=0
    wait "$saver_pid" || status=$?
    saver_pid=
    [ "$status" -eq 0 ] && pass "SIGTERM ended it with status 0" ||
        fail "SIGTERM ended it with status $status"
else
    fail "pawnwatch2 --frobnicate did not run the saver"
    cat "$work/saver.log" >&2
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "both programs follow the command-line conventions"
