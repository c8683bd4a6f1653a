#!/usr/bin/env bash
# Sets everything up, builds, and launches the app; arguments go to the app
# (scripts/run.sh --demo tries it without a knob).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh"
app="${VX_BUILD_DIR:-$root/build}/veltranix"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the app on a virtual X display (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1920x1080x24" "$app" "$@"
fi
exec "$app" "$@"
