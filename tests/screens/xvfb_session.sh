# The part the screenshot scripts share, sourced by them: a work folder removed at exit, processes
# stopped at exit, failures counted, and Xvfb started at a size. The sourcing script sets $name
# (for messages) before it sources this file.

work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-$name.XXXXXX")
xvfb_pid=
saver_pid=
# Stops the process $1: TERM, up to 3 s, then KILL.
stop() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}
cleanup() {
    stop "$saver_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Starts Xvfb at the size $1, with any further arguments passed on to it, and sets $display;
# Xvfb writes the display number it took once it accepts connections.
start_xvfb() {
    local size=$1
    shift
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp "$@" 3>"$work/display" \
        2>"$work/xvfb.log" &
    xvfb_pid=$!
    display=
    for _ in $(seq 1 100); do
        if [ -s "$work/display" ]; then
            display=:$(head -1 "$work/display")
            return 0
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "$name: Xvfb did not start at $size" >&2
    cat "$work/xvfb.log" >&2
    exit 2
}
