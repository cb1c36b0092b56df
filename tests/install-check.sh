#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

id=ma.delvaronte.Delvaronte
for file in bin/delvaronte bin/delvaronte-config bin/delvaronte-demo \
            share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$id.svg share/delvaronte/demo/index.html \
            share/glib-2.0/schemas/$id.gschema.xml share/glib-2.0/schemas/gschemas.compiled; do
  [ -e "$prefix/$file" ] || { echo "missing: $file"; exit 1; }
done
for size in 16 24 32 48 64 128 256 512; do
  [ -e "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" ] || { echo "missing icon $size"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null
echo "installed files are complete and valid"
