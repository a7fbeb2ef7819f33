#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing pawnwatch2 need,
# and only those that are missing. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev libxcb1-dev
  # Compressed and archived collections (gzip, bzip2, xz, zstd, zip, tar) are read through it.
  libarchive-dev
  # Qt's Wayland platform: the saver on a Wayland desktop without XWayland.
  qt6-wayland
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-dejavu-core
)
for set in "$@"; do
  case $set in
  --test)
    packages+=(xvfb xauth x11-utils clang-format)
    # The install test validates the installed desktop entry and XScreenSaver configuration; the
    # XScreenSaver test runs the real daemon and reads its screen with xwd and ImageMagick.
    packages+=(desktop-file-utils libxml2-utils xscreensaver x11-apps imagemagick)
    # The xsecurelock test runs its saver_multiplex; the icon screenshots show title bars with
    # openbox; the package test checks the .deb with lintian and its metainfo with appstreamcli.
    packages+=(xsecurelock openbox lintian appstream)
    # The Wayland test: sway's headless backend, grim for its screenshots, wtype for a key.
    packages+=(sway grim wtype)
    ;;
  --bench)
    # bench/check_speed.sh: pgn-extract to compare with, the compressors for the collections it
    # makes, and GNU time for the peak memory.
    packages+=(pgn-extract zstd xz-utils bzip2 gzip time)
    # bench/saver/collection_start.sh packs its collections with zip.
    packages+=(zip)
    ;;
  --fuzz)
    # The fuzz targets: clang++ with libFuzzer and the sanitizers' runtime libraries.
    packages+=(clang libclang-rt-14-dev)
    # The collection reader's seeds are made with the compressors and tar.
    packages+=(gzip bzip2 xz-utils zstd tar)
    ;;
  *)
    echo "usage: scripts/install-deps.sh [--test] [--bench] [--fuzz]" >&2
    exit 2
    ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
