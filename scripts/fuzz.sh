#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) into
# build-fuzz/ and runs each for SECONDS (default 60), starting from the seeds
# in fuzz/corpus/<target>/. Exits non-zero if any target crashes; the crashing
# input is left in build-fuzz/artifacts/<target>/ — fix the fault and keep the
# input in fuzz/regressions/<target>/, which the normal suite replays.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
build=${VX_FUZZ_BUILD_DIR:-$root/build-fuzz}

if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVX_FUZZ=ON -DVX_BUILD_TESTS=OFF
fi
cmake -S "$root" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target vx_fuzzers

if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < "$build/fuzz/targets.txt"
fi

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
export QT_QPA_PLATFORM=offscreen

failed=()
for t in "${targets[@]}"; do
    [ -n "$t" ] || continue
    work="$build/corpus/$t"
    artifacts="$build/artifacts/$t"
    mkdir -p "$work" "$artifacts"
    echo "--- fuzz_$t for ${seconds} s"
    # New inputs go to the work corpus; the seeds in the repository stay as they are.
    if "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$work" "$root/fuzz/corpus/$t" \
        >"$build/fuzz_$t.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done ' "$build/fuzz_$t.log" | sed 's/^/    /' || true
    else
        echo "    fuzz_$t FAILED; the end of its log ($build/fuzz_$t.log):"
        tail -n 40 "$build/fuzz_$t.log" | sed 's/^/    /'
        ls "$artifacts" | sed 's/^/    artifact: /'
        failed+=("$t")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing: crashes in ${failed[*]}"
    exit 1
fi
echo "fuzzing: ${#targets[@]} target(s) ran ${seconds} s each without a crash"
