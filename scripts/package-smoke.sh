#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, and starts the installed program on the
# demo site in Xvfb until its first page is done. It changes the machine (a package is
# installed), so it runs only in CI (CI=true) or when asked (DELVARONTE_PACKAGE_TEST=1).
# The package built here points its update check at this machine: the smoke run reaches
# nothing else.
set -euo pipefail
if [ "${CI:-}" != true ] && [ "${DELVARONTE_PACKAGE_TEST:-}" != 1 ]; then
  echo "skipped: installs a package (set CI=true or DELVARONTE_PACKAGE_TEST=1)"
  exit 77
fi
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-package}

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDELVARONTE_BUILD_TESTS=OFF \
  -DDELVARONTE_UPDATE_URL=https://127.0.0.1:9/applications/version.json >/dev/null
cmake --build "$build" >/dev/null
(cd "$build" && rm -f delvaronte_*.deb && cpack -G DEB >/dev/null)
deb=$(ls "$build"/delvaronte_*.deb)

release=$(. /etc/os-release && echo "$VERSION_ID")
version=$(dpkg-deb -f "$deb" Version)
echo "Version: $version"
if [[ "$version" != *"+deb$release" ]]; then
  echo "the package does not name Debian $release, where it was built" >&2
  exit 1
fi
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
if grep -q -- '-dev' <<<"$depends"; then
  echo "the package depends on a -dev package" >&2
  exit 1
fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "$deb" >/dev/null
for file in /usr/bin/delvaronte /usr/bin/delvaronte-config /usr/share/delvaronte/demo/index.html \
            /usr/share/applications/ma.delvaronte.Delvaronte.desktop \
            /usr/share/metainfo/ma.delvaronte.Delvaronte.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/ma.delvaronte.Delvaronte.svg; do
  dpkg -S "$file" >/dev/null || { echo "not installed by the package: $file" >&2; exit 1; }
done
"$src/tests/gui/run-in-xvfb.sh" /usr/bin/delvaronte-demo --program /usr/bin/delvaronte --until-loaded \
  2>/dev/null
