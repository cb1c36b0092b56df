#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Delvaronte, on Debian 12 or 13.
# Idempotent: asks apt only for what is missing, and runs `apt-get update` at most once.
#   scripts/install-deps.sh          what building, running and testing need
#   scripts/install-deps.sh bench    that, Chromium, which the benchmarks compare with, and strace (a
#                                    start-up's timeline)
#   scripts/install-deps.sh --list   prints the packages this release needs, one a line, and
#                                    installs nothing
# OS_RELEASE names another os-release file to read (the tests use it).
set -euo pipefail

os_release=${OS_RELEASE:-/etc/os-release}
id=$(. "$os_release" && echo "${ID:-}")
release=$(. "$os_release" && echo "${VERSION_ID:-}")
if [[ "$id" != debian ]] || [[ "$release" != 12 && "$release" != 13 ]]; then
  echo "Ce script installe les paquets de Debian 12 ou 13; ce systeme est ${id:-inconnu} ${release:-?}." >&2
  exit 1
fi

# Names without a version where Debian has one: the same name on both releases, each
# bringing that release's own version.
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
  # the check that every planted fault still applies (tests/mutation/run.sh --check)
  python3
  # a keyring service on the tests' own session bus; dconf for the office's settings
  gnome-keyring dconf-cli dconf-service dconf-gsettings-backend
  # an office's directory for the tests: a Kerberos KDC, its tools, and a web server that
  # signs in with its tickets (started by the tests with configurations of their own)
  krb5-kdc krb5-admin-server krb5-user apache2-bin libapache2-mod-auth-gssapi
  # the accessibility bus, and its client library that walks the windows as a screen reader
  at-spi2-core libatspi2.0-dev
  # benchmarks: keys typed through the X server (XTest)
  libxtst-dev
  # packaging and its checks (CPack reads the programs' libraries with file)
  dpkg-dev file desktop-file-utils appstream
  # fuzzing: the compiler's runtime for its sanitizers and libFuzzer
  clang libclang-rt-dev
  # fonts and image loaders for what the windows show
  fonts-dejavu-core librsvg2-common adwaita-icon-theme
)
if [[ "${1:-}" == bench ]]; then
  packages+=(chromium strace)
fi
if [[ "${1:-}" == --list ]]; then
  printf '%s\n' "${packages[@]}"
  exit 0
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
