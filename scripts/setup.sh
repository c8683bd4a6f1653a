#!/usr/bin/env bash
# Installs what the build needs (Debian 12), then configures and builds into
# build/. Safe to run again: installs only what is missing, builds incrementally.
# VX_BUILD_DIR picks another build folder; VX_CMAKE_ARGS adds configure options.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VX_BUILD_DIR:-$root/build}

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libhidapi-dev
          libudev-dev libgl-dev libfontconfig-dev qt6-tools-dev qt6-l10n-tools fonts-dejavu-core xvfb xauth dbus-daemon desktop-file-utils appstream ccache
          libxcb1-dev libwayland-dev sway qt6-wayland)
# The package test also runs Debian's own checks on the .deb.
if [[ "${VX_CMAKE_ARGS:-}" == *VX_PACKAGE_TEST=ON* ]]; then
    packages+=(lintian)
fi
# The extra CI passes build with clang: its sanitizers and libFuzzer.
if [ "${VX_CI_EXTRA:-0}" = 1 ]; then
    packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

read -r -a extra_args <<<"${VX_CMAKE_ARGS:-}"
# Rebuilds of the extra build trees (sanitizers, fuzzing) come mostly from the cache.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "${extra_args[@]}"
elif [ ${#extra_args[@]} -gt 0 ]; then
    cmake "${extra_args[@]}" "$build_dir" >/dev/null
fi
cmake --build "$build_dir" -j"$(nproc)"
