#!/usr/bin/env bash
# Installs a build tree into a fresh temporary prefix and checks that the installed copy stands on
# its own: with nothing of the build or source tree on any search path, from an unrelated working
# folder and on a fresh account (HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR all new),
#   - pawnwatch2-check replays every bundled game;
#   - pawnwatch2 /S keeps running, loads the board control from the prefix, and indexes the
#     bundled games into a new settings file;
#   - the manual page, the desktop entry and the XScreenSaver configuration are in place and
#     well formed;
#   - no installed binary carries a run-time search path into the build tree.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
# The sanitizer variables (ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS) are passed on.
set -euo pipefail

cmake=$1
build=$(cd "$2" && pwd)
source=$(cd "$3" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-install.XXXXXX")
prefix=$work/prefix
home=$work/home
runtime=$work/runtime
mkdir -p "$home/.config" "$runtime" "$work/cwd"
chmod 700 "$runtime"
saver_pid=

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }

cleanup() {
    if [ -n "$saver_pid" ] && kill -0 "$saver_pid" 2>/dev/null; then
        kill -TERM "$saver_pid" 2>/dev/null || true
        sleep 0.5
        kill -KILL "$saver_pid" 2>/dev/null || true
    fi
    if [ "$failures" -eq 0 ]; then
        rm -rf "$work"
    else
        echo "kept for inspection: $work" >&2
    fi
}
trap cleanup EXIT

# The environment an installed copy runs in for a user: PATH of the system only, no
# LD_LIBRARY_PATH, the fresh account's folders; run with `env -i -C "$work/cwd"`, from a folder
# outside both trees.
clean_env=(PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 HOME="$home"
           XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$runtime")
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    if [ -n "${!name:-}" ]; then clean_env+=("$name=${!name}"); fi
done
clean_run() { env -i -C "$work/cwd" "${clean_env[@]}" "$@"; }

# Installs what is built now; the installed targets are brought up to date first, so that the
# test never checks a stale copy.
"$cmake" --build "$build" --target pawnwatch2 pawnwatch2-check Vantrelkit pw2_man_pages \
    pw2_package_docs >"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; fail "build of the installed targets"; exit 1; }
"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "cmake --install"; exit 1; }
pass "installed into $prefix"

bin=$prefix/bin
data=$prefix/share/pawnwatch2
games=$data/default.pgn
for f in "$bin/pawnwatch2" "$bin/pawnwatch2-check" "$games"; do
    [ -e "$f" ] || fail "missing $f"
done
# The library under its full version, with its soname link and the unversioned link beside it.
library=$(find "$prefix" -type f -name 'libVantrelkit.so.*.*.*' -print -quit)
[ -n "$library" ] || fail "no libVantrelkit.so.MAJOR.MINOR.PATCH under $prefix"
if [ -n "$library" ]; then
    soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
    libdir=$(dirname "$library")
    if [[ $soname =~ ^libVantrelkit\.so\.[0-9]+$ ]] &&
        [ "$(readlink -f "$libdir/$soname")" = "$library" ] &&
        [ "$(readlink -f "$libdir/libVantrelkit.so")" = "$library" ]; then
        pass "board control $(basename "$library") with soname $soname and both links"
    else
        fail "board control: soname '${soname:-none}' or its links wrong"
        ls -l "$libdir" >&2
    fi
fi
[ -s "$prefix/include/vantrelkit/vantrelkit.h" ] && pass "published header installed" ||
    fail "missing $prefix/include/vantrelkit/vantrelkit.h"

# pawnwatch2-check: every bundled game replays.
expected_games=$(grep -c '^\[Event ' "$games" || true)
if clean_run "$bin/pawnwatch2-check" "$games" >"$work/check.out" 2>"$work/check.err"; then
    ok_games=$(grep -cP '^\d+\tok\t' "$work/check.out" || true)
    if [ "$expected_games" -gt 0 ] && [ "$ok_games" -eq "$expected_games" ] &&
        grep -qx "$expected_games games, $expected_games ok, 0 failed" "$work/check.err"; then
        pass "pawnwatch2-check: all $ok_games games ok"
    else
        fail "pawnwatch2-check: $ok_games of $expected_games games ok"
        cat "$work/check.out" "$work/check.err" >&2
    fi
else
    fail "pawnwatch2-check exited with $?"
    cat "$work/check.out" "$work/check.err" >&2
fi

# pawnwatch2 /S on a fresh account: indexes the bundled games and keeps playing them.
settings=$home/.config/Pawnwatch2/Pawnwatch2.ini
# env execs the program, so that $! is the saver's own process.
env -i -C "$work/cwd" "${clean_env[@]}" QT_QPA_PLATFORM=offscreen "$bin/pawnwatch2" /S \
    >"$work/saver.log" 2>&1 &
saver_pid=$!
for _ in $(seq 1 100); do
    grep -q '^NumOfGames=' "$settings" 2>/dev/null && break
    kill -0 "$saver_pid" 2>/dev/null || break
    sleep 0.2
done
sleep 2
if kill -0 "$saver_pid" 2>/dev/null; then
    pass "pawnwatch2 /S still running after the games were indexed"
    # The board control comes from the prefix (not from the build tree or the configured libdir).
    mapped=$(grep -o '/[^ ]*libVantrelkit\.so[.0-9]*' "/proc/$saver_pid/maps" | sort -u || true)
    if [ "$mapped" = "$library" ]; then
        pass "board control loaded from $mapped"
    else
        fail "board control loaded from '${mapped:-nowhere}', expected $library"
    fi
else
    wait "$saver_pid" && status=0 || status=$?
    saver_pid=
    fail "pawnwatch2 /S ended (status $status)"
    cat "$work/saver.log" >&2
fi
if [ -f "$settings" ]; then
    grep -qx 'NumOfGames=30' "$settings" && pass "settings: NumOfGames=30" ||
        fail "settings: $(grep -i '^NumOfGames=' "$settings" || echo 'no NumOfGames')"
    grep -qxF "PGNFile=$games" "$settings" && pass "settings: PGNFile=$games" ||
        fail "settings: $(grep -i '^PGNFile=' "$settings" || echo 'no PGNFile'), expected $games"
else
    fail "no settings file $settings"
    find "$home" -type f >&2
fi
if [ -n "$saver_pid" ]; then
    kill -TERM "$saver_pid" 2>/dev/null || true
    wait "$saver_pid" 2>/dev/null || true
    saver_pid=
fi

# The manual pages, the desktop entry and its icon, the metainfo and the XScreenSaver
# configuration.
man_pages=("$prefix/share/man/man1/pawnwatch2.1.gz" "$prefix/share/man/man1/pawnwatch2-check.1.gz")
desktop=$prefix/share/applications/pawnwatch2.desktop
icon=$prefix/share/icons/hicolor/scalable/apps/pawnwatch2.svg
metainfo=$prefix/share/metainfo/io.github.pawnwatch2.pawnwatch2.metainfo.xml
hack_xml=$prefix/share/xscreensaver/config/pawnwatch2.xml
for f in "${man_pages[@]}" "$desktop" "$icon" "$metainfo" "$hack_xml"; do
    [ -s "$f" ] && pass "installed $f" || fail "missing $f"
done
if command -v groff >/dev/null && [ -s "${man_pages[0]}" ]; then
    # pawnwatch2-check's page sources pawnwatch2's, as man does from the manual's top folder.
    for page in "${man_pages[@]}"; do
        warnings=$(cd "$prefix/share/man" && zcat "$page" | sed 's|^\.so man1/\(.*\)|zcat man1/\1.gz|e' |
            groff -man -ww -z -t 2>&1)
        [ -z "$warnings" ] && pass "$(basename "$page") formats without warnings" ||
            fail "$(basename "$page"): $warnings"
    done
fi
if command -v desktop-file-validate >/dev/null && [ -s "$desktop" ]; then
    desktop-file-validate "$desktop" && pass "desktop entry valid" || fail "desktop entry invalid"
else
    echo "skipped: desktop-file-validate not installed"
fi
grep -qx 'Icon=pawnwatch2' "$desktop" && pass "desktop entry names the installed icon" ||
    fail "desktop entry does not name the icon pawnwatch2"
if command -v xmllint >/dev/null && [ -s "$icon" ]; then
    xmllint --noout "$icon" && pass "icon is well-formed SVG" || fail "icon is not well-formed XML"
fi
grep -qx 'Exec=pawnwatch2 /C' "$desktop" && [ -x "$bin/pawnwatch2" ] ||
    fail "desktop entry does not open the installed program's setup dialog"
if command -v xmllint >/dev/null && [ -s "$hack_xml" ]; then
    xmllint --noout "$hack_xml" && pass "XScreenSaver configuration well formed" ||
        fail "XScreenSaver configuration is not well-formed XML"
else
    echo "skipped: xmllint not installed"
fi
# XScreenSaver matches the configuration to the programs list by the command's name.
grep -q '<screensaver name="pawnwatch2"' "$hack_xml" && [ -x "$bin/pawnwatch2" ] ||
    fail "XScreenSaver configuration does not name the installed program"

# No run-time search path into the build or source tree.
while IFS= read -r -d '' file; do
    if ! head -c 4 "$file" | grep -q 'ELF'; then continue; fi
    paths=$(readelf -d "$file" | grep -E '\((RPATH|RUNPATH)\)' || true)
    if grep -qF -e "$build" -e "$source" <<<"$paths"; then
        fail "$file searches the build tree: $paths"
    else
        pass "$(basename "$file"): no search path into the build tree${paths:+ ($paths)}"
    fi
done < <(find "$prefix" -type f -print0)

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed copy works on its own"
