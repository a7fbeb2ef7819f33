#!/usr/bin/env bash
# Shows the windows that carry the program's icon (the setup window, the program's about box and
# the board control's about box) on a virtual X display, framed by openbox when it is installed,
# and checks that each window hands its icon to the window manager (_NET_WM_ICON) and that the
# pictures of the about boxes show the icon's dark squares.
#
# Usage: tests/screens/icon_screens.sh ICON_WINDOWS OUTDIR
#   ICON_WINDOWS is the icon_windows program built beside pawnwatch2; the pictures are kept as
#   OUTDIR/icon-setup.png, OUTDIR/icon-about.png and OUTDIR/icon-control-about.png
# Prints one line per window, such as
#   setup: icon of 16x16 to 256x256, framed   [OUTDIR/icon-setup.png]
# Exit status: 0 every check held, 1 one failed, 2 a run could not be set up.
set -euo pipefail

if [ $# -ne 2 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
program=$1
outdir=$2
for tool in Xvfb xprop convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "icon_screens: not installed: $tool (scripts/install-deps.sh --test)" >&2
        exit 2
    fi
done
if [ ! -x "$program" ]; then
    echo "icon_screens: no program at $program" >&2
    exit 2
fi
mkdir -p "$outdir"

name=icon_screens
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"

start_xvfb 1280x800
wm_pid=
if command -v openbox >/dev/null; then
    DISPLAY="$display" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    sleep 1
fi
stop_wm() { stop "$wm_pid"; }
trap 'stop_wm; cleanup' EXIT

home=$work/home
mkdir -p "$home/.config" "$work/run"
chmod 700 "$work/run"
rm -f "$outdir"/icon-setup.png "$outdir"/icon-about.png "$outdir"/icon-control-about.png
env -u WAYLAND_DISPLAY -u XAUTHORITY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
    -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_ENABLE_HIGHDPI_SCALING \
    HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/run" \
    DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    "$program" "$outdir" >"$work/windows.out" 2>"$work/windows.log" &
saver_pid=$!
for _ in $(seq 1 100); do
    grep -q '^ready$' "$work/windows.out" 2>/dev/null && break
    if ! kill -0 "$saver_pid" 2>/dev/null; then
        echo "icon_screens: icon_windows ended" >&2
        cat "$work/windows.out" "$work/windows.log" >&2
        exit 2
    fi
    sleep 0.1
done
if ! grep -q '^ready$' "$work/windows.out"; then
    echo "icon_screens: the windows did not show" >&2
    cat "$work/windows.log" >&2
    exit 2
fi

# Pixels of the PNG $1 within about 2 of the board's dark square, #B58863, in each channel.
dark_pixels() {
    convert "$1" -alpha off -fuzz 1.2% -fill black +opaque "rgb(181,136,99)" \
        -fill white -opaque "rgb(181,136,99)" -format '%[fx:round(mean*w*h)]' info:
}

while read -r window id frame; do
    [ "$window" = ready ] && break
    png=$outdir/icon-$window.png
    # _NET_WM_ICON holds width, height and the pixels of each size, one after another.
    sizes=$(xprop -display "$display" -id "$id" -notype 32c _NET_WM_ICON |
        tr -d ' ' | cut -d= -f2 | tr ',' '\n' | awk '
            BEGIN { at = 1 }
            NR == at { w = $1; next }
            NR == at + 1 { printf "%s%dx%d", (n++ ? " " : ""), w, $1; at = NR + 1 + w * $1 }')
    if [ -z "$sizes" ]; then
        fail "$window: no window icon [$png]"
        continue
    fi
    echo "$window: icon of ${sizes%% *} to ${sizes##* }, $frame   [$png]"
    if [ "$window" != setup ]; then
        dark=$(dark_pixels "$png")
        # Two of the four squares are dark; the knight covers part of one.
        if [ "$dark" -lt 200 ]; then
            fail "$window: the about box shows $dark pixels of the icon's dark squares"
        fi
    fi
done <"$work/windows.out"

[ "$failures" -eq 0 ] || exit 1
