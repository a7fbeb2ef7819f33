#!/usr/bin/env bash
# Finds the chess board on a screenshot and measures it: the bounding box of the board's colours
# (light squares, dark squares and the frame on the left and top), its size and place in pixels,
# and its height as a share of the picture's height.
#
# Usage: scripts/board-measure.sh [--values] IMAGE
#   IMAGE     any picture ImageMagick reads (PNG, or an xwd dump as xwd:FILE)
#   --values  print shell assignments instead of a sentence:
#             width=297 height=297 left=366 top=342 screen_width=1024 screen_height=768 share=38.7
# Prints, for example, "1920x1080: board 712x712 at (604,184), 65.9 % of the height", the picture's
# size first.
# Exit status: 0 a board was found, 1 none was, 2 the picture could not be read.
#
# Pieces, coordinates and captions may stand on the board or beside it: a row or column counts as
# the board's when at least a quarter as many of its pixels have a board colour as in the row or
# column that has the most, so the pixels of a piece's or a text's edge that happen to come near a
# board colour do not widen the box, and pieces covering parts of squares do not narrow it.
set -euo pipefail

values=no
if [ "${1:-}" = --values ]; then
    values=yes
    shift
fi
if [ $# -ne 1 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
image=$1

# The board's colours (boardctl/art.cpp): light square, dark square, frame.
colours=('#F0D9B5' '#B58863' '#5A3A22')

size=$(identify -format '%w %h\n' "$image" 2>/dev/null | head -1) || true
if [ -z "$size" ]; then
    echo "board-measure: cannot read $image" >&2
    exit 2
fi
read -r width height <<<"$size"

# A mask of the board's colours (white) on black; pure white goes first, so that the white pieces
# and captions are not taken for the fill colour. Then the mask's column means and row means, as
# plain PGM numbers from 0 to 65535.
opaque=()
for c in "${colours[@]}"; do opaque+=(-opaque "$c"); done
work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-measure.XXXXXX")
trap 'rm -rf "$work"' EXIT
convert "$image" -strip -alpha off -fill black -opaque white -fuzz 4% -fill white "${opaque[@]}" \
    -fuzz 0 -fill black +opaque white -colorspace gray -depth 16 -compress none \
    \( +clone -scale "${width}x1!" -write pgm:"$work/columns.pgm" +delete \) \
    -scale "1x${height}!" pgm:"$work/rows.pgm" || {
    echo "board-measure: ImageMagick could not process $image" >&2
    exit 2
}

# The first and last index whose share reaches a quarter of the largest; "none" when no pixel has
# a board colour.
span() {
    awk '/^#/ { next }
         NR == 1 && $1 == "P2" { header = 4 }
         { for (i = 1; i <= NF; ++i) { if (header > 0) { --header; continue } v[n++] = $i } }
         END {
             max = 0
             for (i = 0; i < n; ++i) if (v[i] > max) max = v[i]
             if (max == 0) { print "none"; exit }
             first = -1
             for (i = 0; i < n; ++i) if (v[i] >= max / 4) { if (first < 0) first = i; last = i }
             print first, last
         }' "$1"
}
columns=$(span "$work/columns.pgm")
rows=$(span "$work/rows.pgm")
if [ "$columns" = none ] || [ "$rows" = none ]; then
    if [ "$values" = yes ]; then
        echo "width=0 height=0 left=-1 top=-1 screen_width=$width screen_height=$height share=0"
    else
        echo "${width}x${height}: no board"
    fi
    exit 1
fi
read -r left right <<<"$columns"
read -r top bottom <<<"$rows"
board_width=$((right - left + 1))
board_height=$((bottom - top + 1))
share=$(awk -v b="$board_height" -v s="$height" 'BEGIN { printf "%.1f", 100 * b / s }')
if [ "$values" = yes ]; then
    echo "width=$board_width height=$board_height left=$left top=$top" \
        "screen_width=$width screen_height=$height share=$share"
else
    echo "${width}x${height}: board ${board_width}x${board_height} at ($left,$top)," \
        "$share % of the height"
fi
