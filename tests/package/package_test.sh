#!/usr/bin/env bash
# Builds the Debian package of a build tree with `cpack -G DEB` into a temporary folder and checks
# it without installing it anywhere:
#   - its name is pawnwatch2_VERSION_ARCH.deb, and its control fields name the package, the
#     version, the architecture, a maintainer, and dependencies computed from the binaries;
#   - it holds, under /usr and owned by root, both programs, the board control with its soname
#     and both links, the published header, the bundled games, both manual pages, the desktop
#     entry and its icon, the AppStream metainfo, the XScreenSaver description, and the copyright
#     file and changelog, and nothing of the tests or benchmarks;
#   - it carries the board control's shlibs file and the ldconfig trigger;
#   - extracted into a folder, its pawnwatch2-check answers --version and replays every bundled
#     game on the packaged board control, and its pawnwatch2 answers --help;
#   - lintian finds no error in it, appstreamcli accepts its metainfo and desktop-file-validate
#     its desktop entry (each skipped, with a message, where the tool is not installed).
# Usage: package_test.sh CPACK BUILD_DIR VERSION
# The sanitizer variables (ASAN_OPTIONS, LSAN_OPTIONS, UBSAN_OPTIONS) are passed on to the
# extracted programs. Exit status 0 when every check passed, 1 otherwise.
set -euo pipefail

cpack=$1
build=$(cd "$2" && pwd)
version=$3

work=$(mktemp -d "${TMPDIR:-/tmp}/pw2-package.XXXXXX")
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
cleanup() {
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "kept for inspection: $work" >&2; fi
}
trap cleanup EXIT

arch=$(dpkg --print-architecture)
deb=$work/out/pawnwatch2_${version}_${arch}.deb
(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; exit 1; }
if [ ! -f "$deb" ]; then
    fail "cpack wrote no $(basename "$deb")"
    ls -l "$work/out" >&2
    exit 1
fi
pass "cpack wrote $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = pawnwatch2 ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = "$arch" ] && pass "Package, Version and Architecture" ||
    fail "control: $(field Package) $(field Version) $(field Architecture)"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] && pass "Maintainer $(field Maintainer)" ||
    fail "Maintainer '$(field Maintainer)'"
depends=$(field Depends)
# Computed from the binaries: the C library and Qt's widgets, each with a version.
if grep -qE '(^|, )libc6 \(>= [^)]+\)' <<<"$depends" &&
    grep -qE '(^|, )libqt6widgets6 \(>= [^)]+\)' <<<"$depends"; then
    pass "Depends computed from the binaries: $depends"
else
    fail "Depends: '$depends'"
fi
grep -qw qt6-wayland <<<"$(field Recommends)" && pass "Recommends $(field Recommends)" ||
    fail "Recommends '$(field Recommends)' lacks qt6-wayland"

# The file list.
dpkg-deb -c "$deb" >"$work/contents"
awk '{ print $6 }' "$work/contents" | sed 's|^\./|/|; s|/$||' | sort >"$work/paths"
library=$(grep -E '^/usr/lib/([^/]+/)?libVantrelkit\.so\.[0-9]+\.[0-9]+\.[0-9]+$' "$work/paths" || true)
libdir=$(dirname "${library:-/usr/lib/none}")
major=${version%%.*}
for path in /usr/bin/pawnwatch2 /usr/bin/pawnwatch2-check "$libdir/libVantrelkit.so.$version" \
    "$libdir/libVantrelkit.so.$major" "$libdir/libVantrelkit.so" \
    /usr/include/vantrelkit/vantrelkit.h /usr/share/pawnwatch2/default.pgn \
    /usr/share/man/man1/pawnwatch2.1.gz /usr/share/man/man1/pawnwatch2-check.1.gz \
    /usr/share/applications/pawnwatch2.desktop /usr/share/icons/hicolor/scalable/apps/pawnwatch2.svg \
    /usr/share/metainfo/io.github.pawnwatch2.pawnwatch2.metainfo.xml \
    /usr/share/xscreensaver/config/pawnwatch2.xml /usr/share/doc/pawnwatch2/copyright \
    /usr/share/doc/pawnwatch2/changelog.gz; do
    grep -qxF "$path" "$work/paths" || fail "the package lacks $path"
done
outside=$(grep -vE '^(/usr(/.*)?|/)$' "$work/paths" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
strays=$(grep -E '/(test_|fuzz_)|_bench$|/build' "$work/paths" || true)
[ -z "$strays" ] || fail "test or benchmark files in the package: $strays"
owners=$(awk '{ print $2 }' "$work/contents" | sort -u)
[ "$owners" = root/root ] || fail "owners other than root: $owners"
[ "$failures" -eq 0 ] && pass "file list: $(grep -c . "$work/paths") paths, all under /usr, owned by root"

# The library's shlibs entry and the ldconfig trigger.
dpkg-deb -e "$deb" "$work/control"
grep -qE "^libVantrelkit $major pawnwatch2( |$)" "$work/control/shlibs" 2>/dev/null &&
    pass "shlibs: $(cat "$work/control/shlibs")" || fail "no shlibs entry for libVantrelkit $major"
grep -qE '^activate-noawait ldconfig$' "$work/control/triggers" 2>/dev/null &&
    pass "ldconfig trigger" || fail "no ldconfig trigger"

# The extracted programs.
root=$work/root
dpkg-deb -x "$deb" "$root"
soname=$(readelf -d "$root$libdir/libVantrelkit.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libVantrelkit.so.$major" ] && pass "soname $soname" || fail "soname '$soname'"
run_env=(PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$work/home")
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
    if [ -n "${!name:-}" ]; then run_env+=("$name=${!name}"); fi
done
mkdir -p "$work/home"
got=$(env -i "${run_env[@]}" "$root/usr/bin/pawnwatch2-check" --version 2>&1 || true)
[ "$got" = "pawnwatch2-check $version" ] && pass "pawnwatch2-check --version: $got" ||
    fail "pawnwatch2-check --version: '$got'"
games=$root/usr/share/pawnwatch2/default.pgn
expected_games=$(grep -c '^\[Event ' "$games" || true)
if env -i "${run_env[@]}" "$root/usr/bin/pawnwatch2-check" "$games" >"$work/check.out" \
    2>"$work/check.err" && grep -qx "$expected_games games, $expected_games ok, 0 failed" "$work/check.err"; then
    pass "packaged pawnwatch2-check replays all $expected_games bundled games"
else
    fail "packaged pawnwatch2-check on the bundled games"
    tail -5 "$work/check.out" "$work/check.err" >&2
fi
# The manual page and the metainfo give the version the programs give.
man_head=$(zcat "$root/usr/share/man/man1/pawnwatch2.1.gz" | head -1)
grep -qF "\"pawnwatch2 $version\"" <<<"$man_head" && pass "manual page of version $version" ||
    fail "manual page: $man_head"
grep -qF "<release version=\"$version\"" \
    "$root/usr/share/metainfo/io.github.pawnwatch2.pawnwatch2.metainfo.xml" &&
    pass "metainfo names release $version" || fail "metainfo has no release $version"
env -i "${run_env[@]}" "$root/usr/bin/pawnwatch2" --help >"$work/help.out" 2>&1 &&
    pass "pawnwatch2 --help" || { fail "pawnwatch2 --help"; cat "$work/help.out" >&2; }

# The distribution's own checkers.
if command -v lintian >/dev/null; then
    # Lintian reads the package only; --fail-on error makes an error, and nothing less, fail.
    if lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.out" 2>&1; then
        pass "lintian: no errors ($(grep -c '^W: ' "$work/lintian.out" || true) warnings)"
    else
        fail "lintian reports errors"
    fi
    sed 's/^/  lintian: /' "$work/lintian.out"
else
    echo "skipped: lintian not installed"
fi
metainfo=$root/usr/share/metainfo/io.github.pawnwatch2.pawnwatch2.metainfo.xml
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.out" 2>&1 &&
        pass "appstreamcli validate accepts the metainfo" ||
        { fail "appstreamcli validate"; cat "$work/appstream.out" >&2; }
else
    echo "skipped: appstreamcli not installed"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$root/usr/share/applications/pawnwatch2.desktop" &&
        pass "desktop entry valid" || fail "desktop entry invalid"
else
    echo "skipped: desktop-file-validate not installed"
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "the package holds the installed copy"
