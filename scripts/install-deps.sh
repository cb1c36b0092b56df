#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Delvaronte.
# Idempotent: asks apt only for what is missing, and runs `apt-get update` at most once.
#   scripts/install-deps.sh          what building, running and testing need
#   scripts/install-deps.sh bench    that, Chromium, which the benchmarks compare with, and strace (a
#                                    start-up's timeline)
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build pkg-config
  # libraries
  libgtk-4-dev libepoxy-dev libwebkitgtk-6.0-dev libsoup-3.0-dev glib-networking
  libssl-dev nlohmann-json3-dev libicu-dev libsecret-1-dev
  # French spelling
  hunspell-fr
  # tests
  googletest libgtest-dev xvfb xauth dbus openssl xdotool openbox gsettings-desktop-schemas
  # a keyring service on the tests' own session bus; dconf for the office's settings
  gnome-keyring dconf-cli dconf-service dconf-gsettings-backend
  # benchmarks: keys typed through the X server (XTest)
  libxtst-dev
  # packaging and its checks
  dpkg-dev desktop-file-utils appstream
  # fuzzing
  clang libclang-rt-14-dev
  # fonts and image loaders for what the windows show
  fonts-dejavu-core librsvg2-common adwaita-icon-theme
)
if [[ "${1:-}" == bench ]]; then
  packages+=(chromium strace)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "Paquets manquants: ${missing[*]}" >&2
  echo "Relancez en root (ou avec sudo) pour les installer." >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
