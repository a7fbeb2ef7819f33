#!/usr/bin/env bash
# Runs pawnwatch2 as xsecurelock runs a saver, on a virtual X display of two monitors, and checks
# that each monitor shows the board and that the savers end cleanly when xsecurelock stops them.
#
# Usage: tests/xsecurelock/xsecurelock_check.sh PROGRAM SCREENSHOT.png
#   PROGRAM     the pawnwatch2 executable
#   SCREENSHOT  where to save the screenshot (PNG) of both monitors
#
# What it does:
#   1. starts Xvfb at 2560x800 without RandR, which xsecurelock's saver_multiplex takes for two
#      monitors of 1280x800 side by side;
#   2. starts the real /usr/libexec/xsecurelock/saver_multiplex in a session of its own, as
#      xsecurelock starts it: XSCREENSAVER_WINDOW names the window to cover (here the root
#      window) and XSECURELOCK_SAVER the saver. saver_multiplex creates a window on each monitor
#      and starts the saver in each, as "SAVER -root" with XSCREENSAVER_WINDOW set to that window
#      and in a process group of its own. The saver is a small script that runs PROGRAM with
#      those arguments on a fresh account (HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR) and writes
#      PROGRAM's exit status;
#   3. saves `xwd -root` as SCREENSHOT once the board shows on both monitors (again every half
#      second, up to 25 seconds), measures it on each monitor's half (scripts/board-measure.sh),
#      and checks that each PROGRAM drew inside the window saver_multiplex gave it and showed no
#      window of its own;
#   4. sends SIGTERM to saver_multiplex's process group, as xsecurelock does when the screen is
#      unlocked; saver_multiplex passes it on to each saver's process group. Each PROGRAM must
#      end with status 0 within 2 seconds, leaving no process of its group running.
# Exit status: 0 every check held, 1 one failed, 2 the check could not be set up, 77 skipped
# (xsecurelock, Xvfb, x11-apps, x11-utils or imagemagick not installed).
# The sanitizer variables of the caller (ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS) are passed
# on; nothing else of the caller's environment is.
set -euo pipefail

if [ $# -ne 2 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
program=$1
screenshot=$2
if [ ! -x "$program" ]; then
    echo "xsecurelock_check: no program at $program" >&2
    exit 2
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
mkdir -p "$(dirname "$screenshot")"
screenshot=$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")
top=$(cd "$(dirname "$0")/../.." && pwd)
measure=$top/scripts/board-measure.sh

multiplex=/usr/libexec/xsecurelock/saver_multiplex
missing=()
[ -x "$multiplex" ] || missing+=("xsecurelock ($multiplex)")
for tool in Xvfb:xvfb xwd:x11-apps xwininfo:x11-utils convert:imagemagick identify:imagemagick; do
    command -v "${tool%%:*}" >/dev/null || missing+=("${tool#*:} (${tool%%:*})")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: not installed: ${missing[*]}"
    exit 77
fi

name=xsecurelock
# shellcheck source=../screens/xvfb_session.sh
. "$top/tests/screens/xvfb_session.sh"
pass() { echo "ok: $*"; }

monitor_width=1280
monitor_height=800
monitors=2

# Every process as a line "PID PPID PGID STATE NAME", read from /proc (procps may be missing).
processes() {
    local stat line
    for stat in /proc/[0-9]*/stat; do
        read -r line 2>/dev/null <"$stat" || continue
        # PID (NAME) STATE PPID PGID ...; the name may hold spaces and parentheses.
        local name=${line#*(}
        name=${name%)*}
        local state ppid pgid
        read -r state ppid pgid _ <<<"${line##*) }"
        echo "${line%% *} $ppid $pgid $state $name"
    done
}

# The savers' process groups, filled in once they run; whatever of them outlives a failed check
# is killed at exit.
groups=()
leftovers() {
    [ ${#groups[@]} -gt 0 ] || return 0
    processes | awk -v groups="${groups[*]}" '
        BEGIN { n = split(groups, g, " "); for (i = 1; i <= n; i++) wanted[g[i]] = 1 }
        ($3 in wanted) && $4 != "Z" { print $1 }'
}
end_session() {
    local pid
    for pid in $(leftovers); do kill -KILL "$pid" 2>/dev/null || true; done
    cleanup
}
trap end_session EXIT

# 1. The display: without RandR, saver_multiplex divides a screen at least 8/3 as wide as it is
# high into monitors of the screen's height.
start_xvfb "$((monitor_width * monitors))x$monitor_height" -extension RANDR
root=$(xwininfo -display "$display" -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')

# 2. The saver xsecurelock runs, and saver_multiplex.
home=$work/home
runtime=$work/runtime
savers=$work/savers
mkdir -p "$home/.config" "$runtime" "$savers"
chmod 700 "$runtime"
saver_env=(PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$home" XDG_CONFIG_HOME="$home/.config"
           XDG_RUNTIME_DIR="$runtime" DISPLAY="$display")
for var in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    if [ -n "${!var:-}" ]; then saver_env+=("$var=${!var}"); fi
done
cat >"$work/saver" <<EOF
#!/bin/bash
# Runs pawnwatch2 as xsecurelock's saver and writes down how it ended. The SIGTERM sent to the
# process group reaches pawnwatch2 itself; the trap keeps this script until pawnwatch2 has ended.
trap ':' TERM
echo "\$XSCREENSAVER_WINDOW \$*" >"$savers/\$\$.started"
status=0
"$program" "\$@" >"$savers/\$\$.log" 2>&1 || status=\$?
echo "\$status" >"$savers/\$\$.status"
EOF
chmod 755 "$work/saver"

# setsid execs saver_multiplex in place (a background job leads no process group), so $! is its
# own process and the leader of its session and process group, as under xsecurelock.
env -i "${saver_env[@]}" XSCREENSAVER_WINDOW="$root" XSECURELOCK_SAVER="$work/saver" \
    setsid "$multiplex" >"$work/multiplex.log" 2>&1 &
saver_pid=$!

# The savers started: one script per monitor, each with pawnwatch2 as its child.
scripts=()
programs=()
for _ in $(seq 1 100); do
    mapfile -t scripts < <(find "$savers" -name '*.started' -printf '%f\n' | sed 's/\.started$//')
    programs=()
    for s in "${scripts[@]}"; do
        p=$(processes | awk -v s="$s" '$2 == s && $5 == "pawnwatch2" { print $1 }')
        [ -n "$p" ] && programs+=("$p")
    done
    [ ${#programs[@]} -ge "$monitors" ] && break
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.1
done
if [ ${#programs[@]} -ne "$monitors" ]; then
    echo "xsecurelock_check: saver_multiplex started ${#programs[@]} savers, not $monitors" >&2
    cat "$work/multiplex.log" "$savers"/*.log >&2 2>/dev/null || true
    exit 1
fi
for s in "${scripts[@]}"; do groups+=("$(processes | awk -v s="$s" '$1 == s { print $3 }')"); done
pass "saver_multiplex started $monitors savers: $(cat "$savers"/*.started | sort | tr '\n' ';')"

# 3. The screenshot, once both monitors show a board that stands still between two looks.
shot=$work/shot.xwd
previous=
boards=
for _ in $(seq 1 50); do
    sleep 0.5
    alive=yes
    for p in "${programs[@]}"; do kill -0 "$p" 2>/dev/null || alive=no; done
    [ "$alive" = yes ] || break
    xwd -root -silent -display "$display" >"$shot" || continue
    boards=
    for m in $(seq 0 $((monitors - 1))); do
        crop=${monitor_width}x${monitor_height}+$((m * monitor_width))+0
        convert "xwd:$shot" -crop "$crop" +repage "png:$work/monitor$m.png"
        boards+="$("$measure" --values "$work/monitor$m.png" || echo none)"$'\n'
    done
    if ! grep -q none <<<"$boards" && [ "$boards" = "$previous" ]; then break; fi
    previous=$boards
done
convert "xwd:$shot" "png:$screenshot"
echo "screenshot: $screenshot"
m=0
while read -r line; do
    [ -n "$line" ] || continue
    if [ "$line" = none ]; then
        fail "monitor $m shows no board"
    else
        declare -A board=()
        for value in $line; do board[${value%%=*}]=${value#*=}; done
        shown="board ${board[width]}x${board[height]} at (${board[left]},${board[top]})"
        if [ "$((board[width] - board[height]))" -le 2 ] &&
            [ "$((board[height] - board[width]))" -le 2 ] &&
            [ "$((board[height] * 100))" -ge "$((monitor_height * 25))" ]; then
            pass "monitor $m: $shown, ${board[share]} % of the height"
        else
            fail "monitor $m: $shown is not a square of at least a quarter of the height"
        fi
    fi
    m=$((m + 1))
done <<<"$boards"
[ "$m" -eq "$monitors" ] || fail "measured $m monitors, not $monitors"

# Where each saver drew: a viewable child of the window saver_multiplex made for its monitor, and
# no viewable top-level window of pawnwatch2's own.
viewable() { xwininfo -display "$display" -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
mapfile -t screens < <(xwininfo -display "$display" -root -children |
    sed -n 's/^ *\(0x[0-9a-f]*\) .*("saver_multiplex_screen" .*/\1/p')
inside=0
for w in "${screens[@]}"; do
    for child in $(xwininfo -display "$display" -children -id "$w" |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
        if viewable "$child"; then
            inside=$((inside + 1))
            break
        fi
    done
done
own=0
for w in $(xwininfo -display "$display" -root -children |
    sed -n 's/^ *\(0x[0-9a-f]*\) .*("pawnwatch2" .*/\1/p'); do
    if viewable "$w"; then own=$((own + 1)); fi
done
if [ ${#screens[@]} -eq "$monitors" ] && [ "$inside" -eq "$monitors" ] && [ "$own" -eq 0 ]; then
    pass "each saver drew inside its monitor's window (${screens[*]}), none in a window of its own"
else
    fail "${#screens[@]} monitor windows, $inside drawn into, $own top-level pawnwatch2 windows shown"
fi

# 4. SIGTERM as xsecurelock sends it: to saver_multiplex's process group, which passes it on to
# each saver's group and ends itself.
start=$(date +%s%N)
kill -TERM -- "-$saver_pid"
for _ in $(seq 1 40); do
    ended=$(find "$savers" -name '*.status' | wc -l)
    [ "$ended" -ge "$monitors" ] && [ -z "$(leftovers)" ] && break
    sleep 0.05
done
elapsed=$((($(date +%s%N) - start) / 1000000))
wait "$saver_pid" 2>/dev/null || true
saver_pid=
for s in "${scripts[@]}"; do
    if [ -f "$savers/$s.status" ]; then
        status=$(cat "$savers/$s.status")
        if [ "$status" = 0 ]; then
            pass "saver of script $s ended with status 0"
        else
            fail "saver of script $s ended with status $status"
        fi
    else
        fail "saver of script $s still runs $elapsed ms after SIGTERM"
    fi
done
left=$(leftovers | tr '\n' ' ')
if [ -z "$left" ] && [ "$elapsed" -le 2000 ]; then
    pass "all ended $elapsed ms after SIGTERM, nothing of theirs left running"
else
    fail "$elapsed ms after SIGTERM, still running: ${left:-nothing}"
    for pid in $left; do
        echo "$pid: $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)" >&2
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    for log in "$work/multiplex.log" "$savers"/*.log; do
        [ -s "$log" ] && { echo "--- $log" >&2; cat "$log" >&2; }
    done
    exit 1
fi
echo "pawnwatch2 runs as xsecurelock's saver on each monitor and ends cleanly on SIGTERM"
