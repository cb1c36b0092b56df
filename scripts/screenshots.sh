#!/usr/bin/env bash
# Renders the dialogs as the GUI tests drive them into docs/screenshots/, for the README and
# for looking at what a user sees. Run after a build (see the README's test command).
set -euo pipefail
cd "$(dirname "$0")/.."
out="$PWD/docs/screenshots"
mkdir -p "$out"
DELVARONTE_SHOTS="$out" tests/gui/run-in-xvfb.sh build/tests/gui_tests \
  --gtest_filter='ConfigDialogs.SetupReports*:ConfigDialogs.Cancel*' >/dev/null
ls "$out"
