#!/bin/bash
# Screenshots of the whole window in fixed states, for comparing two builds
# pixel by pixel with dev/windowshots-compare.sh.
#
#   dev/windowshots.sh BIN_DIR OUT_DIR
#
# BIN_DIR holds veltranix and libhidsim.so (for a build tree, pass the build
# directory: build/tests/fakes/hidsim/libhidsim.so is found there too).
# Each screen size gets: no knob, the demo knob, and a simulated knob with a
# stored configuration on every page tab and with the Mac layout. Files are named
# <width>x<height>-<state>.png. Needs xvfb-run, xdotool and ImageMagick.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 BIN_DIR OUT_DIR" >&2
    exit 2
fi
BIN=$(cd "$1" && pwd)
OUT=$2
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

APP=$BIN/veltranix
SIM=$BIN/libhidsim.so
[ -f "$SIM" ] || SIM=$BIN/tests/fakes/hidsim/libhidsim.so
for f in "$APP" "$SIM"; do
    [ -f "$f" ] || { echo "missing $f" >&2; exit 2; }
done

SIZES=${WINDOWSHOTS_SIZES:-"1920x1080 1366x768 960x540"}
# WINDOWSHOTS_LANG=zh_CN.UTF-8 shows the window in the language LANG picks.
# Long enough for the first read, the connect toast and every slide to end.
SETTLE=${WINDOWSHOTS_SETTLE:-6}
TAB_SETTLE=${WINDOWSHOTS_TAB_SETTLE:-2}

# A stored configuration: all five gestures set, an orange light at 100.
KNOB_SCENARIO="device serial=SHOT1
assignment 1 03 FD 02 01 01 00 01 00 00 04
assignment 2 03 FD 04 01 01 00 02 00 00 F1 00 00 06
assignment 3 03 FD 05 01 02 00 01 00 00 E9
assignment 4 03 FD 06 01 01 00 03 00 00 05 00 00 06 00 00 07
assignment 5 03 FD 03 01 02 00 01 00 00 E2
colour 03 FD 00 06 FF 80 00 64 01"

# Tab centres as fractions of the window, which scales with the screen:
# Keyboard Shortcuts Media Lighting Mouse Delay Procreate.
TAB_NAMES=(keyboard shortcuts media lighting mouse delay procreate)
TAB_X=(0.1353 0.1992 0.2610 0.3207 0.3757 0.4306 0.4931)
TAB_Y=0.5043
# The Mac half of the layout switch, on the tab row.
MAC_X=0.8022

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

# One run of the window on a fresh virtual screen. The inner script gets
# W H OUT PREFIX and the state's environment; its own home and runtime
# folder keep it apart from any other window of this user.
run_state() {
    local size=$1 state=$2 clicks=$3
    shift 3
    local w=${size%x*} h=${size#*x}
    local home=$WORK/$size-$state
    mkdir -p "$home/run"
    chmod 700 "$home/run"
    env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home/run" LANG="${WINDOWSHOTS_LANG:-C.UTF-8}" "$@" \
        W="$w" H="$h" APP="$APP" SHOT="$OUT/$size-$state" CLICKS="$clicks" SETTLE="$SETTLE" \
        TAB_SETTLE="$TAB_SETTLE" TAB_X="${TAB_X[*]}" TAB_Y="$TAB_Y" MAC_X="$MAC_X" TAB_NAMES="${TAB_NAMES[*]}" \
        xvfb-run -a -s "-screen 0 ${w}x${h}x24 -nolisten tcp" bash -c '
            set -u
            "$APP" $APP_ARGS >"$HOME/app.log" 2>&1 &
            pid=$!
            sleep "$SETTLE"
            xdotool mousemove 0 0
            sleep 0.5
            if [ "$CLICKS" = 0 ]; then
                import -window root "$SHOT.png"
            else
                read -r -a xs <<<"$TAB_X"
                read -r -a names <<<"$TAB_NAMES"
                for i in "${!xs[@]}"; do
                    x=$(awk -v f="${xs[$i]}" -v w="$W" "BEGIN{printf \"%d\", f*w}")
                    y=$(awk -v f="$TAB_Y" -v h="$H" "BEGIN{printf \"%d\", f*h}")
                    xdotool mousemove "$x" "$y" click 1
                    sleep 0.3
                    xdotool mousemove 0 0
                    sleep "$TAB_SETTLE"
                    import -window root "$SHOT-${names[$i]}.png"
                done
                # Back on the keyboard, the other layout.
                for f in "${xs[0]}" "$MAC_X"; do
                    x=$(awk -v f="$f" -v w="$W" "BEGIN{printf \"%d\", f*w}")
                    y=$(awk -v f="$TAB_Y" -v h="$H" "BEGIN{printf \"%d\", f*h}")
                    xdotool mousemove "$x" "$y" click 1
                    sleep "$TAB_SETTLE"
                done
                xdotool mousemove 0 0
                sleep "$TAB_SETTLE"
                import -window root "$SHOT-keyboard-mac.png"
            fi
            kill "$pid" 2>/dev/null
            wait "$pid"
            true
        '
}

for size in $SIZES; do
    echo "== $size"
    run_state "$size" noknob 0 HIDSIM_SCENARIO="# no knob" LD_PRELOAD="$SIM" APP_ARGS=""
    run_state "$size" demo 0 HIDSIM_SCENARIO="# no knob" LD_PRELOAD="$SIM" APP_ARGS="--demo"
    run_state "$size" knob 1 HIDSIM_SCENARIO="$KNOB_SCENARIO" LD_PRELOAD="$SIM" APP_ARGS=""
done
ls "$OUT"/*.png | wc -l | xargs echo "shots:"
