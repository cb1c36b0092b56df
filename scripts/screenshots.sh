#!/usr/bin/env bash
# Takes the pictures in docs/screenshots/ from the GUI tests, in Xvfb, for the README and
# for looking at what a user sees. Run after a build (see the README's test command).
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v import >/dev/null; then
  apt-get install -y -q --no-install-recommends imagemagick >/dev/null
fi
out="$PWD/docs/screenshots"
mkdir -p "$out"
DELVARONTE_SHOTS="$out" tests/gui/run-in-xvfb.sh build/tests/gui_tests \
  --gtest_filter='ConfigDialogs.*:AppShell.Starts*:FirstStart.*:Pages.*' \
  >/dev/null 2>&1
# Full-screen captures are large: keep them at half size.
for shot in main-window splash error-page page-stopped; do
  [ -f "$out/$shot.png" ] && convert "$out/$shot.png" -resize 50% "$out/$shot.png"
done
ls "$out"
