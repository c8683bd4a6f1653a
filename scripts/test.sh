#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite through CTest.
#
# With VX_CI_EXTRA=1 (set by CI) it then also runs, each in its own build
# directory so the passes never share objects:
#   - the whole suite under AddressSanitizer + UBSan (build-asan),
#   - the tests labelled "device" under ThreadSanitizer (build-tsan),
#   - every fuzz target for VX_FUZZ_SECONDS each (build-fuzz, default 20).
# Any failing pass makes the script exit non-zero, after all passes have run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# On CI the suite also builds and checks the Debian package.
if [ "${CI:-}" = "true" ]; then
    export VX_CMAKE_ARGS="${VX_CMAKE_ARGS:-} -DVX_PACKAGE_TEST=ON"
fi

jobs=$(nproc)

"$root/scripts/setup.sh"
# setup.sh installs ccache; the extra build trees then come mostly from its cache.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
fi

if [ "${VX_CI_EXTRA:-0}" != 1 ]; then
    cd "${VX_BUILD_DIR:-$root/build}"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs"
    exit
fi

results=()
failed=0

# pass NAME COMMAND...: runs one pass, timing it and remembering the outcome.
pass() {
    local name=$1
    shift
    local start=$SECONDS status=0
    echo "=== $name: start"
    "$@" || status=$?
    local took=$((SECONDS - start))
    if [ "$status" -eq 0 ]; then
        results+=("$name: passed in ${took} s")
    else
        results+=("$name: FAILED (exit $status) after ${took} s")
        failed=1
    fi
    echo "=== ${results[-1]}"
}

plain_suite() {
    (cd "${VX_BUILD_DIR:-$root/build}" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")
}

# sanitized_suite DIR OPTION [LABEL]: configures DIR with OPTION, builds the
# tests the label selects (all of them without one) and runs them. Each step
# returns on failure itself: `set -e` does not apply inside a function called
# from a condition.
sanitized_suite() {
    local dir=$1 option=$2 label=${3:-}
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-D$option=ON" || return
    fi
    cmake -S "$root" -B "$dir" >/dev/null || return
    local targets=() select=()
    if [ -n "$label" ]; then
        # Test names are target names; building only those keeps the pass short.
        # The leftover check CTest adds to them is a script, not a target.
        mapfile -t targets < <(cd "$dir" && ctest -N -L "$label" | sed -n 's/^ *Test *#[0-9]*: *\(tst_\)/\1/p')
        [ ${#targets[@]} -gt 0 ] || { echo "no test carries the label $label"; return 1; }
        select=(-L "$label")
        cmake --build "$dir" -j"$jobs" --target "${targets[@]}" || return
    else
        cmake --build "$dir" -j"$jobs" || return
    fi
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" "${select[@]}")
}

pass "plain suite" plain_suite
pass "ASan+UBSan suite" sanitized_suite "$root/build-asan" VX_SANITIZE_ADDRESS
pass "TSan device tests" sanitized_suite "$root/build-tsan" VX_SANITIZE_THREAD device
pass "fuzz targets" "$root/scripts/fuzz.sh" "${VX_FUZZ_SECONDS:-20}"

echo
echo "=== Summary"
printf '    %s\n' "${results[@]}"
exit "$failed"
