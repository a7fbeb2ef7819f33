#!/usr/bin/env bash
# Shows the saver full screen on a virtual X display of each given size, takes a screenshot once
# the board shows and stands still, and measures the board on it (scripts/board-measure.sh).
#
# Usage: tests/screens/saver_screens.sh [options] PROGRAM OUTDIR WxH...
#   PROGRAM            the pawnwatch2 executable
#   OUTDIR             where the screenshots are kept: saver-WxH.png, and saver-WxH-fill-off.png
#                      for a run with FillScreen=0
#   --fill 1|0|unset   the FillScreen setting written for the run (default 1; unset leaves the key
#                      out, so that the program's default applies)
#   --min-share P      fail unless the board is at least P % of the screen's height, square, and
#                      wholly on the screen (it touches no edge)
#   --height N         fail unless the board is exactly N pixels high
#   --same-as-fill-off run again with FillScreen=0 and fail unless the board has the same size and
#                      place as in the first run
#   --caption FILE     play the games of FILE (whose first game has a comment before its first
#                      move), keep the screenshot as saver-WxH-caption.png, and fail unless text
#                      of the default colour shows beneath the board panel, within the board's width
# Prints one line per size, such as
#   1920x1080: board 712x712 at (604,184), 65.9 % of the height
# Exit status: 0 every check held, 1 one failed, 2 a run could not be set up.
#
# Each run has a virtual display of its own (Xvfb picks a free display number itself), a fresh
# account (HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR) whose settings play the bundled games with an
# hour per move, and QT_QPA_PLATFORM=xcb. The sanitizer variables of the caller are passed on.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
measure=$top/scripts/board-measure.sh
fill=1
min_share=
exact_height=
same_as_off=no
games=
while [ $# -gt 0 ]; do
    case $1 in
    --fill) fill=$2; shift ;;
    --min-share) min_share=$2; shift ;;
    --height) exact_height=$2; shift ;;
    --same-as-fill-off) same_as_off=yes ;;
    --caption) games=$2; shift ;;
    -*) echo "saver_screens: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
    shift
done
if [ $# -lt 3 ] || ! [[ $fill =~ ^(0|1|unset)$ ]]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
program=$1
outdir=$2
shift 2
for size in "$@"; do
    if ! [[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
        echo "saver_screens: not a size: $size" >&2
        exit 2
    fi
done
if [ ! -x "$program" ]; then
    echo "saver_screens: no program at $program" >&2
    exit 2
fi
missing=()
for tool in Xvfb xwd convert identify; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "saver_screens: not installed: ${missing[*]} (scripts/install-deps.sh --test)" >&2
    exit 2
fi
mkdir -p "$outdir"

name=saver_screens
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"

# Runs the saver on the current display with FillScreen $1, and leaves the board's measures in
# $board (shell assignments of board-measure.sh --values) and the screenshot in $2.
shoot() {
    local fill_screen=$1 png=$2
    local home=$work/home
    rm -rf "$home" "$work/run"
    mkdir -p "$home/.config/Pawnwatch2" "$work/run"
    chmod 700 "$work/run"
    {
        printf '[Config]\nTimer=3600\nTimer2=3600\n'
        if [ "$fill_screen" != unset ]; then printf 'FillScreen=%s\n' "$fill_screen"; fi
        if [ -n "$games" ]; then
            # A match of the file's first game: its bytes up to the second game's "[Event".
            local second
            second=$(grep -abo '^\[Event ' "$games" | sed -n 2p | cut -d: -f1)
            [ -n "$second" ] || second=$(stat -c %s "$games")
            printf 'PGNFile=%s\nNumOfGames=1\nMatchBegin1=1\nMatchEnd1=%s\n' "$games" \
                "$((second + 1))"
        fi
    } >"$home/.config/Pawnwatch2/Pawnwatch2.ini"
    env -u WAYLAND_DISPLAY -u XAUTHORITY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
        -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_ENABLE_HIGHDPI_SCALING \
        HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/run" \
        DISPLAY="$display" QT_QPA_PLATFORM=xcb \
        "$program" /S >"$work/saver.log" 2>&1 &
    saver_pid=$!

    # The board shows once the first game is loaded; it is taken when two screenshots half a
    # second apart measure the same (a window being laid out or moved is not measured).
    local previous= current= shot=$work/shot.xwd
    board=
    for _ in $(seq 1 40); do
        sleep 0.5
        if ! kill -0 "$saver_pid" 2>/dev/null; then
            wait "$saver_pid" && status=0 || status=$?
            saver_pid=
            echo "saver_screens: pawnwatch2 /S ended (status $status)" >&2
            cat "$work/saver.log" >&2
            return 1
        fi
        xwd -root -silent -display "$display" >"$shot" || continue
        current=$("$measure" --values "xwd:$shot") || { previous=; continue; }
        if [ "$current" = "$previous" ]; then
            board=$current
            break
        fi
        previous=$current
    done
    convert "xwd:$shot" "png:$png"
    stop "$saver_pid"
    saver_pid=
    if [ -z "$board" ]; then
        echo "saver_screens: no steady board on the screen within 20 s (last: ${current:-none});" \
            "screenshot $png" >&2
        cat "$work/saver.log" >&2
        return 1
    fi
}

describe() {
    local width height left top share screen_width screen_height
    eval "$1"
    echo "board ${width}x${height} at ($left,$top), $share % of the height"
}

for size in "$@"; do
    start_xvfb "$size"
    screen_width=${size%x*}
    screen_height=${size#*x}
    png=$outdir/saver-$size.png
    [ "$fill" = 0 ] && png=$outdir/saver-$size-fill-off.png
    [ -n "$games" ] && png=$outdir/saver-$size-caption.png
    if ! shoot "$fill" "$png"; then
        fail "$size: no board measured"
        stop "$xvfb_pid"
        xvfb_pid=
        continue
    fi
    first=$board
    echo "$size: $(describe "$first")   [$png]"
    eval "$first"

    if [ -n "$exact_height" ] && [ "$height" -ne "$exact_height" ]; then
        fail "$size: the board is $height pixels high, not $exact_height"
    fi
    if [ -n "$min_share" ]; then
        if ! awk -v b="$height" -v s="$screen_height" -v p="$min_share" \
            'BEGIN { exit !(100 * b >= p * s) }'; then
            fail "$size: the board is $share % of the screen's height, less than $min_share %"
        fi
        if [ "$left" -le 0 ] || [ "$top" -le 0 ] || [ $((left + width)) -ge "$screen_width" ] ||
            [ $((top + height)) -ge "$screen_height" ]; then
            fail "$size: the board reaches the screen's edge (cut off?)"
        fi
        difference=$((width > height ? width - height : height - width))
        if [ $((difference * 100)) -gt $((height > width ? height : width)) ]; then
            fail "$size: the board is not square (${width}x${height}; cut off?)"
        fi
    fi
    if [ -n "$games" ]; then
        # The board panel reaches 780 / 4455 of the board's height below the board (the file
        # letters and White's name); the caption stands beneath it.
        below=$((top + height + (height * 780 + 4454) / 4455 + 2))
        if [ "$below" -ge "$screen_height" ]; then
            fail "$size: no room beneath the board panel"
        else
            lit=$(convert "$png" -crop "${width}x$((screen_height - below))+${left}+${below}" \
                +repage -fx '(g>0.5 && r<0.4 && b<0.4) ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:)
            echo "$size: $lit caption pixels beneath the board panel"
            [ "$lit" -ge 50 ] || fail "$size: no caption beneath the board panel"
        fi
    fi
    if [ "$same_as_off" = yes ]; then
        off_png=$outdir/saver-$size-fill-off.png
        if shoot 0 "$off_png"; then
            echo "$size with FillScreen=0: $(describe "$board")   [$off_png]"
            if [ "$board" != "$first" ]; then
                fail "$size: the board differs from FillScreen=0's: $(describe "$first") against" \
                    "$(describe "$board")"
            fi
        else
            fail "$size with FillScreen=0: no board measured"
        fi
    fi
    stop "$xvfb_pid"
    xvfb_pid=
done
[ "$failures" -eq 0 ] || exit 1
