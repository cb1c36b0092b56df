#!/usr/bin/env bash
# Runs a command in a private desktop: an Xvfb server, the openbox window manager (so that
# maximize, full screen, minimize and focus behave as on a user's desktop) and a D-Bus
# session. Xvfb picks a free display itself and tells us which (-displayfd), so parallel
# tests never race for a display number.
set -euo pipefail

work=$(mktemp -d)
mkfifo "$work/display" "$work/wm"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$wm" "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r -t 30 display <"$work/display"

export DISPLAY=":$display" GDK_BACKEND=x11 GSETTINGS_BACKEND=memory GTK_A11Y=none NO_AT_BRIDGE=1
openbox --sm-disable --startup "sh -c 'echo ready >$work/wm'" >/dev/null 2>&1 &
wm=$!
read -r -t 30 _ <"$work/wm"

dbus-run-session -- "$@"
