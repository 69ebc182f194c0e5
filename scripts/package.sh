#!/usr/bin/env bash
# Builds the two Debian packages from a built tree, shows their control data
# and checks them with lintian (errors fail).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${ZEMRA_BUILD_DIR:-build}
(cd "$build_dir" && cpack -G DEB >/dev/null)
for deb in "$build_dir"/zemra_*.deb "$build_dir"/zemrad_*.deb; do
  echo "== $deb"
  dpkg-deb --info "$deb"
done
lintian --fail-on error --tag-display-limit 0 "$build_dir"/zemra_*.deb "$build_dir"/zemrad_*.deb
