#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite through CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# On CI the suite also builds and checks the Debian package.
if [ "${CI:-}" = "true" ]; then
    export VX_CMAKE_ARGS="${VX_CMAKE_ARGS:-} -DVX_PACKAGE_TEST=ON"
fi
"$root/scripts/setup.sh"
cd "${VX_BUILD_DIR:-$root/build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
