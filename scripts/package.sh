#!/usr/bin/env bash
# Installs what is missing, builds a Release tree for /usr with Debian's build flags (all of its
# hardening included), and writes the Debian package pawnwatch2_<version>_<arch>.deb into that
# folder with `cpack -G DEB`. Nothing is installed on this machine besides the build's packages.
# Usage: scripts/package.sh [build-folder, default build-deb]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-deb}

"$top/scripts/install-deps.sh"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DPW2_TESTS=OFF -DPW2_BENCH=OFF -DCMAKE_CXX_FLAGS="$cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags"
cmake --build "$build"
cd "$build"
rm -f pawnwatch2_*.deb
cpack -G DEB
ls "$build"/pawnwatch2_*.deb
