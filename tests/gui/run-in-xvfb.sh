#!/usr/bin/env bash
# Runs a command in a private desktop: an Xvfb server, the openbox window manager (so that
# maximize, full screen, minimize and focus behave as on a user's desktop) and a D-Bus
# session that starts no service by itself. Xvfb picks a free display itself and tells us which (-displayfd), so parallel
# tests never race for a display number.
set -euo pipefail

work=$(mktemp -d)
mkfifo "$work/display" "$work/wm"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill "$wm" "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r -t 30 display <"$work/display"

export DISPLAY=":$display" GDK_BACKEND=x11 GSETTINGS_BACKEND=memory
openbox --sm-disable --startup "sh -c 'echo ready >$work/wm'" >/dev/null 2>&1 &
wm=$!
read -r -t 30 _ <"$work/wm"

# The accessibility bus is the one service it may start (the web engine's processes ask for it).
mkdir "$work/services"
cp /usr/share/dbus-1/services/org.a11y.Bus.service "$work/services/" 2>/dev/null || true
cat >"$work/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <servicedir>$work/services</servicedir>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
dbus-run-session --config-file="$work/bus.conf" -- "$@"
