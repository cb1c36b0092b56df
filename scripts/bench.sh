#!/usr/bin/env bash
# Builds the program and runs one benchmark in a private X server with a D-Bus session:
#   scripts/bench.sh startup|idle|popups|probe|day|heavy|gap|keys [options of the benchmark]
# startup, day, heavy, gap and keys compare with Chromium (apt package chromium), which
# scripts/install-deps.sh bench installs; one that is missing is left out.
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:-}
case "$name" in
  startup | idle | popups | probe | day | heavy | gap | keys) shift ;;
  *)
    echo "usage: scripts/bench.sh startup|idle|popups|probe|day|heavy|gap|keys [options]" >&2
    exit 2
    ;;
esac

# The build folder of the README's commands (optimised: RelWithDebInfo).
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target "bench-$name" >/dev/null
# Without the chatter of the private D-Bus and X servers.
tests/gui/run-in-xvfb.sh "build/bench/bench-$name" "$@" \
  2> >(grep -v -E '^(dbus-daemon|SpiRegistry|X connection)' >&2)
