#!/usr/bin/env bash
# Runs a command on a desktop of its own: a private X display (Xvfb) with a window manager (openbox),
# a tray (trayer), a session bus and an unlocked keyring. Everything stops when the command ends.
# Usage: scripts/desktop-session.sh [--home DIR] [--screen WxH] command [arguments...]
#   --home DIR   the session's home: settings, data and the keyring are kept there between runs
#                (default: a new temporary folder, removed afterwards)
# Inside, DISPLAY, DBUS_SESSION_BUS_ADDRESS, HOME and the XDG folders point at the private session.
set -euo pipefail

home=""
screen="1440x900"
while [ $# -gt 0 ]; do
    case "$1" in
        --home) home="$2"; shift 2 ;;
        --screen) screen="$2"; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || { echo "usage: $0 [--home DIR] [--screen WxH] command [arguments...]" >&2; exit 2; }

runtime="$(mktemp -d)"
chmod 700 "$runtime"
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[$i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "$home" ]; then
    home="$runtime/home"
fi
mkdir -p "$home"
home="$(cd "$home" && pwd)"
export HOME="$home"
export XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" XDG_CACHE_HOME="$home/.cache"
export XDG_RUNTIME_DIR="$runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
# No accessibility bus in this session; Qt and GTK would otherwise wait for one.
export NO_AT_BRIDGE=1

Xvfb -displayfd 3 -nolisten tcp -screen 0 "${screen}x24" 3>"$runtime/display" 2>"$runtime/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$runtime/display" ] && break; sleep 0.05; done
[ -s "$runtime/display" ] || { echo "Xvfb did not start:" >&2; cat "$runtime/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$runtime/display")"

dbus-daemon --session --nofork --print-address=3 --address="unix:path=$runtime/bus" 3>"$runtime/bus-address" &
pids+=($!)
for _ in $(seq 100); do [ -s "$runtime/bus-address" ] && break; sleep 0.05; done
export DBUS_SESSION_BUS_ADDRESS="$(head -n1 "$runtime/bus-address")"

# The keyring lives in the session's home; its password is the session's own.
printf 'snipstack' | gnome-keyring-daemon --foreground --unlock --components=secrets \
    >"$runtime/keyring.log" 2>&1 &
pids+=($!)

openbox >"$runtime/openbox.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.05; done

trayer --edge top --align right --widthtype request --height 24 --SetDockType true --transparent false \
    --tint 0x303030 >"$runtime/trayer.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do xprop -root _NET_SYSTEM_TRAY_S0 >/dev/null 2>&1 && \
    [ -n "$(xdotool search --classname trayer 2>/dev/null)" ] && break; sleep 0.05; done

set +e
"$@"
status=$?
set -e
exit $status
