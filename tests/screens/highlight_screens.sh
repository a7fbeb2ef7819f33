#!/usr/bin/env bash
# Shows the saver full screen on a virtual X display of each given size, playing a one-move game
# (1. Nf3) with the last-move highlight on, takes a screenshot once the move is played, and checks
# that it shows the tint on the dark square g1 and on the light square f3, each over an area of
# about a square of the board measured on the same screenshot (scripts/board-measure.sh).
#
# Usage: tests/screens/highlight_screens.sh PROGRAM OUTDIR WxH...
#   the screenshots are kept as OUTDIR/highlight-WxH.png
# Prints one line per size, such as
#   1920x1080: board 712x712, tint on 7912 light and 7912 dark pixels   [OUTDIR/highlight-1920x1080.png]
# Exit status: 0 every check held, 1 one failed, 2 a run could not be set up.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
measure=$top/scripts/board-measure.sh
if [ $# -lt 3 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
program=$1
outdir=$2
shift 2
for tool in Xvfb xwd convert; do
    if ! command -v "$tool" >/dev/null; then
        echo "highlight_screens: not installed: $tool (scripts/install-deps.sh --test)" >&2
        exit 2
    fi
done
if [ ! -x "$program" ]; then
    echo "highlight_screens: no program at $program" >&2
    exit 2
fi
mkdir -p "$outdir"

name=highlight_screens
# shellcheck source=xvfb_session.sh
. "$(dirname "$0")/xvfb_session.sh"

# The pixels of the screenshot $shot within 2 of the colour $1 ("r,g,b") in each channel or so.
tint_pixels() {
    convert "xwd:$shot" -fuzz 1.2% -fill black +opaque "rgb($1)" -fill white -opaque "rgb($1)" \
        -format '%[fx:round(mean*w*h)]' info:
}

# The game, and a match of that one game as the setup dialog stores it.
game=$work/one-move.pgn
printf '[Event "Highlight"]\n[White "White"]\n[Black "Black"]\n\n1. Nf3 *\n' >"$game"
game_end=$(($(stat -c %s "$game") + 1))

for size in "$@"; do
    if ! [[ $size =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
        echo "highlight_screens: not a size: $size" >&2
        exit 2
    fi
    start_xvfb "$size"

    home=$work/home
    rm -rf "$home" "$work/run"
    mkdir -p "$home/.config/Pawnwatch2" "$work/run"
    chmod 700 "$work/run"
    # A move a second, then an hour on the game's last position.
    printf '[Config]\nTimer=1\nTimer2=3600\nHighlightMove=1\nPGNFile=%s\nNumOfGames=1\nMatchBegin1=1\nMatchEnd1=%s\nFirstGame=1\n' \
        "$game" "$game_end" >"$home/.config/Pawnwatch2/Pawnwatch2.ini"
    env -u WAYLAND_DISPLAY -u XAUTHORITY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
        -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_ENABLE_HIGHDPI_SCALING \
        HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$work/run" \
        DISPLAY="$display" QT_QPA_PLATFORM=xcb \
        "$program" /S >"$work/saver.log" 2>&1 &
    saver_pid=$!

    # Taken once the board shows and the tint stands still on two screenshots in a row.
    png=$outdir/highlight-$size.png
    shot=$work/shot.xwd
    previous= counted= board=
    for _ in $(seq 1 40); do
        sleep 0.5
        if ! kill -0 "$saver_pid" 2>/dev/null; then
            echo "highlight_screens: pawnwatch2 /S ended" >&2
            cat "$work/saver.log" >&2
            saver_pid=
            break
        fi
        xwd -root -silent -display "$display" >"$shot" || continue
        board=$("$measure" --values "xwd:$shot") || continue
        # Pixels of the tint over a light and over a dark square.
        counted="$(tint_pixels "221,213,115") $(tint_pixels "194,177,78")"
        if [ "${counted% *}" != 0 ] && [ "$counted" = "$previous" ]; then
            break
        fi
        previous=$counted
    done
    [ -s "$shot" ] && convert "xwd:$shot" "png:$png"
    stop "$saver_pid"
    saver_pid=
    stop "$xvfb_pid"
    xvfb_pid=

    if [ -z "$board" ] || [ -z "$counted" ]; then
        fail "$size: no board measured [$png]"
        continue
    fi
    eval "$board"
    light=${counted% *}
    dark=${counted#* }
    echo "$size: board ${width}x${height}, tint on $light light and $dark dark pixels   [$png]"
    # A square is an eighth of the board each way; the knight covers part of f3.
    square=$(((width / 8) * (height / 8)))
    if [ "$dark" -lt $((square * 8 / 10)) ] || [ "$dark" -gt $((square * 12 / 10)) ]; then
        fail "$size: the tint covers $dark pixels of the dark square g1, not about $square"
    fi
    if [ "$light" -lt $((square * 3 / 10)) ] || [ "$light" -gt $((square * 12 / 10)) ]; then
        fail "$size: the tint covers $light pixels of the light square f3 and its knight"
    fi
done

[ "$failures" -eq 0 ] || exit 1
