#!/usr/bin/env bash
# Builds the program, the preloadable simulated knob, the save driver and an
# empty Qt window, then measures them under Xvfb; start-up and memory are also
# given as ratios to the empty window of the same size, measured in the same
# run. Needs Xvfb, xdotool and xev (apt-get install xvfb xdotool x11-utils).
#   bench/run.sh            build into build-bench/ and print the figures
#   BUILD_DIR=... bench/run.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD_DIR:-$ROOT/build-bench}

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target veltranix vx_emptywindow hidsim_preload vx_savebench vx_switchbench >/dev/null

DISPLAY_NUM=${BENCH_DISPLAY:-:97}
Xvfb "$DISPLAY_NUM" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    DISPLAY=$DISPLAY_NUM xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done

export DISPLAY=$DISPLAY_NUM
export APP="$BUILD/veltranix"
export PRELOAD="$BUILD/tests/fakes/hidsim/libhidsim.so"
export EMPTY="$BUILD/bench/vx_emptywindow"
export SAVEBENCH="$BUILD/bench/vx_savebench"
export SWITCHBENCH="$BUILD/bench/vx_switchbench"

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
python3 "$ROOT/bench/measure.py"
