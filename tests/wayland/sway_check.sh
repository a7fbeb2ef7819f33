#!/usr/bin/env bash
# Runs `pawnwatch2 /S` on a real Wayland compositor, sway with its headless backend (no XWayland,
# no input devices), through Qt's wayland platform, and checks what a user of an idle daemon such
# as swayidle sees:
#   1. the board shows on the output (a screenshot taken with grim, again each second up to 30 s,
#      until the board's light and dark square colours show), and a key sent with wtype ends the
#      saver within a few seconds with exit status 0;
#   2. with a second output, added while the saver runs and present when the next one starts,
#      that output shows a board of its own (setting "A board on every screen", on by default),
#      and the board shows on the first; when the output goes away the saver runs on, and when it
#      comes back it shows a board again;
#   3. the single-instance rule: while two savers run (the second holds the marker), a third start
#      ends at once with status 0;
#   4. SIGTERM, as an idle daemon or `pkill` sends it, ends a running saver with status 0;
#   5. with POINTER (a virtual pointer client, tests/wayland/virtual_pointer.cpp): the pointer is
#      hidden over the saver (when the empty desktop shows it), its first movement only tells the
#      saver where it is, the next one ends the saver with status 0, and so does a press of its
#      button.
# When it passes it prints one line per check, and at the end
#   every check held; screenshots: SCREENSHOT, NAME-second-output.png
# It takes about 20 seconds (with the sanitizers).
#
# Usage: tests/wayland/sway_check.sh PROGRAM SCREENSHOT.png [POINTER]
#   PROGRAM     the pawnwatch2 executable; its board control and bundled games beside it
#   SCREENSHOT  where to keep the first output's screenshot (PNG); the second output's is kept
#               beside it as NAME-second-output.png (and, should the pointer show over the saver,
#               that screenshot as NAME-pointer.png)
#   POINTER     the virtual pointer client; without it the pointer checks are left out
# Exit status: 0 every check held, 1 one failed, 2 the check could not be set up, 77 skipped (sway,
# swaymsg, grim, wtype, ImageMagick or Qt's wayland platform plugin not installed).
#
# Sway refuses to run as root, so under root sway and its clients run as the user "nobody"; when
# that user cannot read PROGRAM (or POINTER) where it is, a copy of the program, its board control
# and its games (or of POINTER) in the temporary folder runs instead. The sanitizer variables of
# the caller are passed on (a suppressions file is copied where that user can read it).
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2
    exit 2
fi
program=$1
screenshot=$2
pointer=${3:-}
if [ ! -x "$program" ]; then
    echo "sway_check: no program at $program" >&2
    exit 2
fi
if [ -n "$pointer" ] && [ ! -x "$pointer" ]; then
    echo "sway_check: no virtual pointer client at $pointer" >&2
    exit 2
fi
program=$(cd "$(dirname "$program")" && pwd)/$(basename "$program")
mkdir -p "$(dirname "$screenshot")"
screenshot=$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")
second_shot=${screenshot%.png}-second-output.png
pointer_shot=${screenshot%.png}-pointer.png

# The board's square colours (boardctl/art.cpp).
light_square='#F0D9B5'
dark_square='#B58863'

missing=()
for tool in sway swaymsg grim wtype convert; do
    command -v "$tool" >/dev/null || missing+=("$tool")
done
if ! compgen -G '/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so' >/dev/null; then
    missing+=("Qt's wayland platform plugin (qt6-wayland)")
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: not installed: ${missing[*]}"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-sway.XXXXXX")
chmod 755 "$work"
home=$work/home
runtime=$work/runtime
shots=$work/shots # grim writes here as the user who runs sway
mkdir -p "$home/.config/Pawnwatch2" "$runtime" "$shots"
chmod 700 "$runtime"
# Moves an hour apart, so that the board stands still while it is looked at.
printf '[Config]\nTimer=3600\nTimer2=3600\n' >"$home/.config/Pawnwatch2/Pawnwatch2.ini"

# Who runs sway and its clients.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
    chown -R nobody:nogroup "$home" "$runtime" "$shots"
    folder=$(dirname "$program")
    if ! "${as_user[@]}" test -x "$program" || ! "${as_user[@]}" test -r "$program" ||
        ! "${as_user[@]}" test -r "$folder/libVantrelkit.so"; then
        echo "user nobody cannot read $folder; running a copy"
        mkdir "$work/bin"
        cp -P "$program" "$folder"/libVantrelkit.so* "$work/bin/"
        if [ -e "$folder/default.pgn" ]; then cp "$folder/default.pgn" "$work/bin/"; fi
        chmod -R a+rX "$work/bin"
        program=$work/bin/$(basename "$program")
    fi
    if [ -n "$pointer" ] && ! "${as_user[@]}" test -x "$pointer"; then
        mkdir -p "$work/bin"
        cp "$pointer" "$work/bin/pointer"
        chmod a+rx "$work/bin" "$work/bin/pointer"
        pointer=$work/bin/pointer
    fi
fi

# The sanitizers' settings of the caller; a suppressions file is read from a copy.
sanitizer_env=()
for variable in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    value=${!variable:-}
    [ -n "$value" ] || continue
    if [[ $value =~ (^|:)suppressions=([^:]*) ]] && [ -r "${BASH_REMATCH[2]}" ]; then
        cp "${BASH_REMATCH[2]}" "$work/$variable.supp"
        chmod 644 "$work/$variable.supp"
        value=${value/suppressions=${BASH_REMATCH[2]}/suppressions=$work/$variable.supp}
    fi
    sanitizer_env+=("$variable=$value")
done

sway_pid=
saver_pids=()
pointer_pid=
cleanup() {
    set +e
    for pid in "${saver_pids[@]}" $pointer_pid; do kill -TERM "$pid" 2>/dev/null; done
    sleep 0.2
    for pid in "${saver_pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    if [ -n "$sway_pid" ]; then
        kill -TERM "$sway_pid" 2>/dev/null
        for _ in $(seq 1 30); do
            kill -0 "$sway_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$sway_pid" 2>/dev/null
    fi
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A minimal session: one output of 1920 by 1080, a second one (added later) of 1280 by 720 at its
# right, no bar, no wallpaper, no XWayland, no borders.
cat >"$work/sway.config" <<'EOF'
xwayland disable
default_border none
default_floating_border none
output HEADLESS-1 resolution 1920x1080 position 0 0
output HEADLESS-2 resolution 1280x720 position 1920 0
EOF
chmod 644 "$work/sway.config"

base_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$home"
          XDG_RUNTIME_DIR="$runtime")
"${as_user[@]}" "${base_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 \
    WLR_RENDERER=pixman sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
sway_pid=$!

# Sway is up once its IPC answers; its Wayland socket is the one in the fresh runtime folder.
wayland_display=
swaysock=
for _ in $(seq 1 100); do
    if ! kill -0 "$sway_pid" 2>/dev/null; then break; fi
    swaysock=$(find "$runtime" -maxdepth 1 -type s -name 'sway-ipc.*' | head -1)
    wayland_display=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' -printf '%f\n' |
        head -1)
    if [ -n "$swaysock" ] && [ -n "$wayland_display" ] &&
        "${as_user[@]}" "${base_env[@]}" SWAYSOCK="$swaysock" swaymsg -t get_outputs \
            >/dev/null 2>&1; then
        break
    fi
    wayland_display=
    sleep 0.1
done
if [ -z "$wayland_display" ]; then
    echo "sway_check: sway did not come up" >&2
    cat "$work/sway.log" >&2
    exit 2
fi
client_env=("${base_env[@]}" WAYLAND_DISPLAY="$wayland_display" SWAYSOCK="$swaysock")
client() { "${as_user[@]}" "${client_env[@]}" "$@"; }
echo "sway is running headless on $wayland_display"

# Starts `pawnwatch2 /S` (setpriv and env exec it, so that $! is the saver itself); its process id
# goes to $saver_pid and to the list that cleanup ends.
saver_pid=
start_saver() {
    "${as_user[@]}" "${client_env[@]}" "${sanitizer_env[@]}" XDG_CONFIG_HOME="$home/.config" \
        QT_QPA_PLATFORM=wayland "$program" /S >>"$work/saver.log" 2>&1 &
    saver_pid=$!
    saver_pids+=("$saver_pid")
}

# Waits up to $2 seconds for the process $1 to end; leaves its exit status in $status, or
# "running" when it has not ended.
status=
wait_end() {
    local pid=$1 tenths=$(($2 * 10))
    status=running
    for _ in $(seq 1 "$tenths"); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" && status=0 || status=$?
            return 0
        fi
        sleep 0.1
    done
}

# Pixels within a few percent of a colour (pure white pixels are taken out first, so that the
# white pieces are not confused with the fill).
pixels_of() {
    convert "$1" -alpha off -fill black -opaque white -fuzz 4% -fill white -opaque "$2" \
        -fuzz 0 -fill black +opaque white -format '%[fx:round(mean*w*h)]' info:
}

# Takes the output $1 into $2 each second until the board shows (up to 30 s) or the saver has
# ended; true when the board shows. Tells the seconds taken and the pixels counted.
board_shows() {
    local output=$1 png=$2 light=0 dark=0 attempt
    for attempt in $(seq 1 30); do
        if client grim -o "$output" "$shots/shot.png" 2>>"$work/grim.log"; then
            cp "$shots/shot.png" "$png"
            light=$(pixels_of "$png" "$light_square")
            dark=$(pixels_of "$png" "$dark_square")
            # 32 light and 32 dark squares of 77 pixels at 1920 by 1080, partly covered by pieces.
            if [ "$light" -ge 10000 ] && [ "$dark" -ge 10000 ]; then
                echo "$output: the board shows ($attempt s; light-square pixels: $light," \
                    "dark-square pixels: $dark): $("$top/scripts/board-measure.sh" "$png" || true)"
                return 0
            fi
        fi
        kill -0 "$saver_pid" 2>/dev/null || break
        sleep 1
    done
    echo "$output: no board (light-square pixels: $light, dark-square pixels: $dark); screenshot" \
        "$png" >&2
    return 1
}

show_logs() {
    echo "--- saver output" >&2
    cat "$work/saver.log" >&2
    echo "--- sway output (errors)" >&2
    grep -i 'error' "$work/sway.log" | tail -20 >&2 || true
}

# 1. The board, then a key.
start_saver
first=$saver_pid
if board_shows HEADLESS-1 "$screenshot"; then
    client timeout 10 wtype -s 800 a || fail "wtype could not send a key"
    wait_end "$first" 5
    if [ "$status" = 0 ]; then
        echo "a key ended the saver (status 0)"
    else
        fail "after a key the saver's status is $status, not 0"
    fi
else
    fail "the saver did not show the board"
fi
kill -TERM "$first" 2>/dev/null || true
wait_end "$first" 3

# 2. A second output, added while a saver runs, gets a board of its own; so does one present at
# the start.
start_saver
first=$saver_pid
board_shows HEADLESS-1 "$work/board.png" >/dev/null || true
client swaymsg create_output >/dev/null || fail "swaymsg create_output failed"
board_shows HEADLESS-2 "$second_shot" || fail "the output added while the saver ran shows no board"
kill -TERM "$first" 2>/dev/null || true
wait_end "$first" 5
start_saver
first=$saver_pid
board_shows HEADLESS-1 "$work/board.png" || fail "with two outputs, the board does not show"
board_shows HEADLESS-2 "$second_shot" || fail "with two outputs, the second shows no board"
# An output that goes away takes its board with it, and the saver runs on; back again, it gets a
# board anew.
client swaymsg output HEADLESS-2 disable >/dev/null || fail "swaymsg could not disable an output"
sleep 1
if kill -0 "$first" 2>/dev/null; then
    echo "HEADLESS-2 went away; the saver runs on"
else
    fail "the saver ended when an output went away"
fi
board_shows HEADLESS-1 "$work/board.png" >/dev/null || fail "the board went when an output went"
client swaymsg output HEADLESS-2 enable >/dev/null || fail "swaymsg could not enable an output"
board_shows HEADLESS-2 "$second_shot" || fail "the output back again shows no board"

# 3. The single-instance rule: the second start runs and holds the marker, a third one ends.
# The marker is a lock file in the runtime folder (saver/single_instance.*).
start_saver
second=$saver_pid
marker=$runtime/pawnwatch2/Pawnwatch2.lock
for _ in $(seq 1 100); do
    if [ -e "$marker" ] || ! kill -0 "$second" 2>/dev/null; then break; fi
    sleep 0.1
done
if ! kill -0 "$second" 2>/dev/null; then
    wait_end "$second" 1
    fail "the second start ended at once (status $status); it should run and hold the marker"
elif [ ! -e "$marker" ]; then
    fail "the second start holds no marker after 10 s"
fi
start_saver
third=$saver_pid
wait_end "$third" 10
if [ "$status" = 0 ]; then
    echo "with two savers running, a third start ended at once (status 0)"
else
    fail "with two savers running, a third start's status is $status, not 0"
fi

# 4. SIGTERM ends a running saver cleanly.
for pid in "$second" "$first"; do
    kill -TERM "$pid" 2>/dev/null || true
    wait_end "$pid" 5
    if [ "$status" = 0 ]; then
        echo "SIGTERM ended saver $pid (status 0)"
    else
        fail "after SIGTERM saver $pid's status is $status, not 0"
    fi
done

# 5. The pointer: hidden over the saver; its first movement is taken as where it is, the next one
# ends the saver; so does a press of its button.
if [ -n "$pointer" ]; then
    # The first output before the pointer exists, and whether it looks otherwise now (sway draws
    # the pointer into every screenshot, with grim -c or without).
    shot_before() { client grim -o HEADLESS-1 "$shots/before.png"; }
    looks_otherwise() {
        client grim -o HEADLESS-1 "$shots/after.png" &&
            [ "$(compare -metric AE "$shots/before.png" "$shots/after.png" null: 2>&1)" != 0 ]
    }
    # Runs the pointer's steps in the background; wait_step waits for a step to be taken.
    pointer_pid=
    run_pointer() {
        rm -f "$shots/go" "$work/pointer.out"
        "${as_user[@]}" "${client_env[@]}" "$pointer" "$@" >"$work/pointer.out" \
            2>>"$work/pointer.log" &
        pointer_pid=$!
    }
    wait_step() {
        for _ in $(seq 1 100); do
            if [ "$(grep -c -x "$1" "$work/pointer.out" 2>/dev/null)" -ge "$2" ]; then return 0; fi
            sleep 0.1
        done
        return 1
    }
    finish_pointer() {
        touch "$shots/go"
        wait_end "$pointer_pid" 10
        [ "$status" = 0 ] || fail "the virtual pointer client's status is $status"
    }

    # On the empty desktop the pointer shows, so that its absence over the saver means something.
    shot_before
    run_pointer pause 500 move 10 10 until "$shots/go"
    can_tell=no
    if wait_step move 1; then
        sleep 0.3
        if looks_otherwise; then can_tell=yes; fi
    fi
    finish_pointer
    [ "$can_tell" = yes ] || echo "the desktop shows no pointer: whether the saver hides it is" \
        "not checked"

    start_saver
    first=$saver_pid
    if board_shows HEADLESS-1 "$work/board.png" >/dev/null; then
        shot_before
        run_pointer pause 800 move 1 1 until "$shots/go" move 1 1 pause 500
        if wait_step move 1; then
            sleep 1
            if kill -0 "$first" 2>/dev/null; then
                echo "the pointer's first movement left the saver running"
            else
                fail "the pointer's first movement ended the saver"
            fi
            if [ "$can_tell" = yes ]; then
                if looks_otherwise; then
                    cp "$shots/after.png" "$pointer_shot"
                    fail "the pointer shows over the saver (screenshot $pointer_shot)"
                else
                    echo "the pointer is hidden over the saver"
                fi
            fi
        else
            fail "the virtual pointer did not move"
        fi
        finish_pointer
        wait_end "$first" 5
        if [ "$status" = 0 ]; then
            echo "the pointer's next movement ended the saver (status 0)"
        else
            fail "after the pointer's next movement the saver's status is $status, not 0"
        fi
    else
        fail "the saver did not show the board"
    fi
    kill -TERM "$first" 2>/dev/null || true
    wait_end "$first" 3

    start_saver
    first=$saver_pid
    if board_shows HEADLESS-1 "$work/board.png" >/dev/null; then
        run_pointer pause 800 click pause 500
        wait_end "$first" 10
        if [ "$status" = 0 ]; then
            echo "a button ended the saver (status 0)"
        else
            fail "after a button the saver's status is $status, not 0"
        fi
        finish_pointer
    else
        fail "the saver did not show the board"
    fi
    kill -TERM "$first" 2>/dev/null || true
    wait_end "$first" 3
fi

if [ "$failures" -gt 0 ]; then
    show_logs
    echo "sway_check: $failures check(s) failed" >&2
    exit 1
fi
echo "every check held; screenshots: $screenshot, $second_shot"
