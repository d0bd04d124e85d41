#!/usr/bin/env bash
# Builds Snipstack (Release) and runs it. Installs what it needs on Debian 12. Without a display it
# starts a private one with a window manager and a tray, and says how to look at it.
# Usage: scripts/run.sh [build-dir]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$here/build-release}"

"$here/scripts/deps.sh" build-essential cmake ninja-build pkg-config \
    libssl-dev libicu-dev googletest libgtest-dev libgmock-dev \
    qt6-base-dev qt6-image-formats-plugins libqt6svg6 libxcb1-dev libxcb-xfixes0-dev libx11-dev libxtst-dev \
    libsecret-1-dev gnome-keyring dbus dbus-x11 libtesseract-dev libleptonica-dev tesseract-ocr-eng libpng-dev libgif-dev \
    xvfb xauth openbox trayer x11-utils xdotool fonts-dejavu-core fonts-cantarell

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSNIPSTACK_BENCH=OFF
cmake --build "$build" --target snipstack

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$build/app/snipstack" "$@"
fi
# No desktop here: a private one, kept in its own home so that its history, settings and keyring
# survive from one run to the next without touching yours.
home="$build/session-home"
echo "No display: running Snipstack on a private X display with openbox and a tray."
echo "Its home (settings, history, keyring) is $home; stop it with Ctrl+C."
exec "$here/scripts/desktop-session.sh" --home "$home" bash -c '
    echo "Display $DISPLAY: look with \"DISPLAY=$DISPLAY import -window root shot.png\" from this machine."
    exec "$0"' "$build/app/snipstack"
