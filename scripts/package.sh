#!/usr/bin/env bash
# Builds the Debian package: a Release build without the tests in build-pkg/,
# then `cpack -G DEB`. The .deb lands in build-pkg/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VX_PACKAGE_BUILD_DIR:-$root/build-pkg}

VX_BUILD_DIR="$build_dir" VX_CMAKE_ARGS="-DVX_BUILD_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr" "$root/scripts/setup.sh"
cd "$build_dir"
rm -f ./*.deb
cpack -G DEB
ls -1 "$build_dir"/*.deb
