#!/usr/bin/env bash
# Runs pawnwatch2 as a hack of the real XScreenSaver daemon on a virtual X display, takes a
# screenshot while the screen is blanked, and checks that it shows the board.
#
# Usage: scripts/xscreensaver-check.sh [--embedded] [--no-install] [--size WxH] [PROGRAM]
#            SCREENSHOT.png
#   PROGRAM       the pawnwatch2 to run: the executable itself, or a build folder or install
#                 prefix that holds bin/pawnwatch2 (default: build/bin/pawnwatch2 of this checkout)
#   SCREENSHOT    where to save the screenshot (PNG)
#   --embedded    fail unless the hack draws inside XScreenSaver's window (rather than in a
#                 full-screen window of its own, which a desktop's XScreenSaver may cover)
#   --no-install  install nothing: end with status 77 (skipped) when a package is missing or the
#                 program cannot be run as another user (CTest runs it so)
#   --size WxH    the virtual screen's size in pixels (default 1280x1024)
#
# What it does:
#   1. installs what is missing (xscreensaver, xvfb, x11-apps, x11-utils, imagemagick) with
#      apt-get;
#   2. starts Xvfb on a free display, 1280x1024 or the size given;
#   3. gives XScreenSaver a fresh HOME whose ~/.xscreensaver lists only "PROGRAM -root", in mode
#      "one", without lock, splash or fade;
#   4. starts `xscreensaver -no-splash`, then `xscreensaver-command -activate`, and waits until
#      the daemon has started the hack;
#   5. a few seconds later, saves `xwd -root` as SCREENSHOT (again each second, up to 30 seconds,
#      until the board shows), checks that it is not all black and holds many pixels of the
#      board's light and dark square colours, and tells whether the hack drew inside
#      XScreenSaver's window or in a window of its own, and measures the board on it
#      (scripts/board-measure.sh: its size, place and share of the screen's height);
#   6. stops the daemon, the hack and Xvfb, and removes the temporary HOME.
# XScreenSaver refuses to start hacks as root, so under root the daemon runs as the user "nobody"
# (PROGRAM, its board control and its games must be readable by every user then).
# Exit status: 0 the board was seen, 1 it was not, 2 the check could not be set up, 77 skipped
# (with --no-install).
# Observed with XScreenSaver 6.06 on Debian 12: the daemon starts the hack as "PROGRAM --root"
# (it writes the switch with two dashes) with XSCREENSAVER_WINDOW set; the board shows about a
# second after the start, and the whole check takes about five seconds.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
embedded_only=no
may_install=yes
screen_size=1280x1024
while [ $# -gt 0 ]; do
    case $1 in
    --embedded) embedded_only=yes ;;
    --no-install) may_install=no ;;
    --size)
        if [ $# -lt 2 ] || ! [[ $2 =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
            echo "xscreensaver-check: --size wants WIDTHxHEIGHT, such as 1920x1080" >&2
            exit 2
        fi
        screen_size=$2
        shift
        ;;
    *) break ;;
    esac
    shift
done
if [ $# -eq 1 ]; then
    program=$top/build/bin/pawnwatch2
    screenshot=$1
elif [ $# -eq 2 ]; then
    program=$1
    screenshot=$2
else
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
if [ -d "$program" ]; then program=$program/bin/pawnwatch2; fi
if [ ! -x "$program" ]; then
    echo "xscreensaver-check: no program at $program" >&2
    exit 2
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
mkdir -p "$(dirname "$screenshot")"
screenshot=$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")

# The board's square colours (boardctl/art.cpp).
light_square='#F0D9B5'
dark_square='#B58863'

# 1. Packages.
needed=(xscreensaver xvfb x11-apps x11-utils imagemagick)
missing=()
for p in "${needed[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] && [ "$may_install" = no ]; then
    echo "skipped: not installed: ${missing[*]}"
    exit 77
fi
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# Who runs the daemon and the hack.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    if ! "${as_user[@]}" test -x "$program"; then
        echo "xscreensaver-check: user nobody cannot run $program (folder permissions?)" >&2
        if [ "$may_install" = no ]; then exit 77; fi
        exit 2
    fi
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-xscreensaver.XXXXXX")
chmod 755 "$work"
home=$work/home
runtime=$work/runtime
mkdir -p "$home" "$runtime"
chmod 700 "$runtime"
if [ ${#as_user[@]} -gt 0 ]; then chown nobody:nogroup "$home" "$runtime"; fi

xvfb_pid=
daemon_pid=
hack_pid=
cleanup() {
    set +e
    if [ -n "$daemon_pid" ] && kill -0 "$daemon_pid" 2>/dev/null; then
        "${as_user[@]}" env -i HOME="$home" DISPLAY="$display" xscreensaver-command -exit \
            >/dev/null 2>&1
        for _ in $(seq 1 20); do
            kill -0 "$daemon_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -TERM "$daemon_pid" 2>/dev/null
    fi
    # The daemon stops its hack; one that outlived it is ended here.
    if [ -n "$hack_pid" ]; then
        sleep 0.5
        kill -TERM "$hack_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then kill -TERM "$xvfb_pid" 2>/dev/null; fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# 2. Xvfb on a free display; another run may take the same number at the same moment, so a
# server that does not come up makes way for the next number.
display=
for n in $(seq 90 140); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 "${screen_size}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
        kill -0 "$xvfb_pid" 2>/dev/null || break
        if xwd -root -silent -display ":$n" >/dev/null 2>&1; then
            display=:$n
            break
        fi
        sleep 0.2
    done
    [ -n "$display" ] && break
    kill -TERM "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
done
if [ -z "$display" ]; then
    echo "xscreensaver-check: could not start Xvfb on a display between :90 and :140" >&2
    cat "$work/xvfb.log" >&2
    exit 2
fi

# 3. A fresh account whose only display mode is pawnwatch2.
cat >"$home/.xscreensaver" <<EOF
mode:		one
selected:	0
timeout:	1:00:00
cycle:		1:00:00
lock:		False
splash:		False
fade:		False
unfade:		False
dpmsEnabled:	False
programs:								      \\
		$program -root							    \\n\\

EOF
if [ ${#as_user[@]} -gt 0 ]; then chown nobody:nogroup "$home/.xscreensaver"; fi

user_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$home"
          XDG_RUNTIME_DIR="$runtime" DISPLAY="$display")
command_() { "${as_user[@]}" "${user_env[@]}" xscreensaver-command "$@"; }

# 4. The daemon, then blanking.
log=$work/xscreensaver.log
"${as_user[@]}" "${user_env[@]}" xscreensaver -no-splash -verbose >"$log" 2>&1 &
daemon_pid=$!
for _ in $(seq 1 50); do
    command_ -version >/dev/null 2>&1 && break
    sleep 0.2
done
if ! command_ -version >/dev/null 2>&1; then
    echo "xscreensaver-check: the XScreenSaver daemon did not come up" >&2
    cat "$log" >&2
    exit 2
fi
command_ -activate >/dev/null
for _ in $(seq 1 100); do
    hack_pid=$(sed -n 's/.*forked "[^"]*pawnwatch2[^"]*" in pid \([0-9]*\).*/\1/p' "$log" | tail -1)
    [ -n "$hack_pid" ] && break
    sleep 0.2
done
if [ -z "$hack_pid" ]; then
    echo "xscreensaver-check: XScreenSaver did not start the hack" >&2
    grep -v '^xscreensaver-gfx: [0-9:]*:   ' "$log" >&2
    exit 1
fi
echo "XScreenSaver started: $(grep -o 'forked "[^"]*pawnwatch2[^"]*" in pid [0-9]*.*' "$log" |
    tail -1)"

# 5. The screenshot: a few seconds after the start, then once a second until the board shows
# (a slow start, such as under a sanitizer, takes longer) or 30 seconds have passed.
# Pixels within a few percent of a colour (pure white pixels are taken out first, so that the
# marker is not confused with them).
pixels_of() {
    convert "$screenshot" -alpha off -fill black -opaque white -fuzz 4% -fill white \
        -opaque "$1" -fuzz 0 -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}
sleep 3
for attempt in $(seq 1 28); do
    xwd -root -silent -display "$display" | convert xwd:- "png:$screenshot"
    colours=$(convert "$screenshot" -format '%k' info:)
    light=$(pixels_of "$light_square")
    dark=$(pixels_of "$dark_square")
    # The board has 32 light and 32 dark squares of 37 by 37 pixels, partly covered by pieces;
    # the saver may show it scaled, so ask for a fraction.
    if [ "$light" -ge 10000 ] && [ "$dark" -ge 10000 ]; then break; fi
    kill -0 "$hack_pid" 2>/dev/null || break
    sleep 1
done
echo "screenshot: $screenshot, $((attempt + 2)) s after the hack started"
if kill -0 "$hack_pid" 2>/dev/null; then
    echo "the hack is running"
else
    echo "the hack has ended"
fi
echo "colours: $colours, light-square pixels: $light, dark-square pixels: $dark"
if [ "$colours" -le 2 ]; then
    echo "xscreensaver-check: the screen is blank" >&2
    grep -v '^xscreensaver-gfx: [0-9:]*:   ' "$log" >&2
    exit 1
fi
if [ "$light" -lt 10000 ] || [ "$dark" -lt 10000 ]; then
    echo "xscreensaver-check: no board on the screen" >&2
    grep -v '^xscreensaver-gfx: [0-9:]*:   ' "$log" >&2
    exit 1
fi
echo "the board is on the screen"
"$top/scripts/board-measure.sh" "$screenshot" || true

# Where the hack drew: a viewable child of the window XScreenSaver gave it, or a viewable
# top-level window of its own.
viewable() { xwininfo -display "$display" -id "$1" 2>/dev/null | grep -q 'IsViewable'; }
saver_window=$(sed -n 's/.*forked "[^"]*pawnwatch2[^"]*" in pid [0-9]* on window \(0x[0-9a-f]*\).*/\1/p' \
    "$log" | tail -1)
inside=no
if [ -n "$saver_window" ]; then
    for w in $(xwininfo -display "$display" -children -id "$saver_window" |
        sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
        if viewable "$w"; then inside=yes; fi
    done
fi
own=no
for w in $(xwininfo -display "$display" -root -children |
    sed -n 's/^ *\(0x[0-9a-f]*\) .*("pawnwatch2" .*/\1/p'); do
    if viewable "$w"; then own=yes; fi
done
echo "drawn inside XScreenSaver's window $saver_window: $inside; own top-level window shown: $own"
if [ "$embedded_only" = yes ] && [ "$inside" != yes ]; then
    echo "xscreensaver-check: the hack did not draw inside XScreenSaver's window" >&2
    exit 1
fi
