#!/usr/bin/env bash
# The running saver's weight: average CPU over a minute at 2 seconds per move, and peak resident
# memory over 10,000 half-moves played fast. Each half-move glides ("Animate moves" is on by
# default; at 2 s between moves a glide lasts 250 ms).
# Usage: bench/saver/saver_load.sh [--size WxH [--hack] | --screens N] [build-folder]
#   --size WxH  run on a virtual X display of that size (Xvfb, QT_QPA_PLATFORM=xcb) instead of the
#               offscreen platform; the minute also reports Xvfb's own CPU and the saver's memory
#               after it, and every memory line RssShmem too: the X shared-memory backing store
#               the window is drawn into counts there
#   --screens N N screens of 1920x1080 side by side on the offscreen platform (a screen
#               configuration file), each with a board of its own ("A board on every screen" is on
#               by default); Xvfb gives Qt a single screen however many it has
#   --hack      with --size: run as an XScreenSaver hack drawing into the display's root window
#               (XSCREENSAVER_WINDOW), as the daemon starts it, instead of with /S
# The build should be a Release build (scripts/run.sh makes one in build/).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
size=
if [ "${1:-}" = --size ]; then
    if [ $# -lt 2 ] || ! [[ $2 =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
        echo "usage: bench/saver/saver_load.sh [--size WxH [--hack]] [build-folder]" >&2
        exit 2
    fi
    size=$2
    shift 2
fi
screens=0
if [ -z "$size" ] && [ "${1:-}" = --screens ]; then
    [[ ${2:-} =~ ^[1-9]$ ]] || { echo "--screens takes 1 to 9" >&2; exit 2; }
    screens=$2
    shift 2
fi
mode=(/S)
if [ -n "$size" ] && [ "${1:-}" = --hack ]; then
    mode=(-root)
    shift
fi
build=${1:-$top/build}
exe=$build/bin/pawnwatch2
[ -x "$exe" ] || { echo "no $exe: build first" >&2; exit 2; }

home=$(mktemp -d)
pid=
xvfb_pid=
# The saver ends before its X server does.
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    rm -rf "$home"
}
trap cleanup EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/run
mkdir -p "$home/config/Pawnwatch2" "$home/run"
chmod 700 "$home/run"
ticks=$(getconf CLK_TCK)
memory_fields='VmRSS|VmHWM'

if [ -n "$size" ]; then
    # Xvfb takes a free display number itself and writes it once it accepts connections.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$home/display" 2>"$home/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$home/display" ] && break
        sleep 0.1
    done
    [ -s "$home/display" ] || { cat "$home/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 2; }
    export DISPLAY=:$(head -1 "$home/display") QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY XAUTHORITY
    memory_fields='VmRSS|VmHWM|RssShmem'
    if [ "${mode[0]}" = -root ]; then
        XSCREENSAVER_WINDOW=$(xwininfo -root | awk '/Window id:/ {print $4}')
        export XSCREENSAVER_WINDOW
        echo "as a hack in the root window $XSCREENSAVER_WINDOW"
    fi
    echo "on Xvfb $DISPLAY at $size, QT_QPA_PLATFORM=xcb"
elif [ "$screens" -gt 0 ]; then
    {
        printf '{"screens": ['
        for ((i = 0; i < screens; i++)); do
            [ "$i" -gt 0 ] && printf ','
            printf '{"name": "screen%d", "x": %d, "y": 0, "width": 1920, "height": 1080, "logicalDpi": 96, "dpr": 1}' \
                "$i" $((i * 1920))
        done
        printf ']}\n'
    } >"$home/screens.json"
    export QT_QPA_PLATFORM=offscreen:configfile=$home/screens.json
    echo "on $screens offscreen screens of 1920x1080"
else
    export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
memory() { grep -E "^($memory_fields):" "/proc/$1/status" | tr -s ' \t\n' ' '; }

# 1. Two seconds per move, one minute.
printf '[Config]\nTimer=2\nTimer2=10\n' > "$home/config/Pawnwatch2/Pawnwatch2.ini"
"$exe" "${mode[@]}" & pid=$!
sleep 5
start=$(cpu_ticks "$pid")
if [ -n "$size" ]; then server_start=$(cpu_ticks "$xvfb_pid"); fi
sleep 60
used=$(( $(cpu_ticks "$pid") - start ))
echo "cpu at 2 s per move: $(awk -v u="$used" -v t="$ticks" 'BEGIN{printf "%.3f", 100*u/t/60}') % of one core over 60 s"
if [ -n "$size" ]; then
    used=$(( $(cpu_ticks "$xvfb_pid") - server_start ))
    echo "Xvfb's cpu meanwhile: $(awk -v u="$used" -v t="$ticks" 'BEGIN{printf "%.3f", 100*u/t/60}') % of one core"
    echo "memory after it: $(memory "$pid")"
fi
kill "$pid"; wait "$pid" 2>/dev/null || true
pid=

# 2. One millisecond per move: resident memory while 10,000 half-moves are played.
printf '[Config]\nTimer=0.001\nTimer2=0.001\n' > "$home/config/Pawnwatch2/Pawnwatch2.ini"
"$exe" "${mode[@]}" & pid=$!
elapsed=0
for s in 1 2 4 8 16 32; do
  sleep "$s"; elapsed=$(( elapsed + s ))
  echo "after ${elapsed}s: $(memory "$pid")"
done
echo "(at about 1 ms per tick, 60 s of play is well over 10,000 half-moves)"
