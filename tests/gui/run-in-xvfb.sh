#!/usr/bin/env bash
# Runs a command in a private Xvfb and D-Bus session. Xvfb picks a free display itself and
# tells us which (-displayfd), so parallel tests never race for a display number.
set -euo pipefail

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r -t 30 display <"$fifo"

export DISPLAY=":$display" GDK_BACKEND=x11 GSETTINGS_BACKEND=memory GTK_A11Y=none NO_AT_BRIDGE=1
exec 3>&-
dbus-run-session -- "$@"
