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
# Each test in a process and a desktop of its own, as ctest runs them.
for test in $(build/tests/gui_tests --gtest_list_tests \
    --gtest_filter='ConfigDialogs.*:AppShell.Starts*:FirstStart.*:Pages.*:AppOnDemoSite.Spelling*:Desk.*' |
    awk '/^[^ ]/ { suite = $1 } /^  / { print suite $1 }'); do
  DELVARONTE_SHOTS="$out" tests/gui/run-in-xvfb.sh build/tests/gui_tests --gtest_filter="$test" \
    >/dev/null 2>&1 || echo "$test failed" >&2
done
# Full-screen captures are large: keep them at half size.
for shot in main-window splash error-page page-stopped; do
  [ -f "$out/$shot.png" ] && convert "$out/$shot.png" -resize 50% "$out/$shot.png"
done
ls "$out"
