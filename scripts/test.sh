#!/usr/bin/env bash
# Builds Snipstack and runs every test. Installs what it needs on Debian 12.
# Usage: scripts/test.sh [build-dir] [extra cmake options...]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build}"
shift || true

"$here/scripts/deps.sh" build-essential cmake ninja-build pkg-config python3 python3-cryptography \
    libssl-dev libicu-dev googletest libgtest-dev libgmock-dev libbenchmark-dev \
    qt6-base-dev qt6-image-formats-plugins libqt6svg6 libxcb1-dev libxcb-xfixes0-dev libx11-dev libxtst-dev xvfb xclip xauth xdotool \
    libsecret-1-dev gnome-keyring dbus dbus-x11 libtesseract-dev libleptonica-dev tesseract-ocr-eng libpng-dev libgif-dev \
    xterm python3-gi gir1.2-gtk-3.0 openbox trayer xcompmgr x11-utils x11-xserver-utils imagemagick unrtf \
    fonts-dejavu-core fonts-liberation2 fonts-cantarell

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
