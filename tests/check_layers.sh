#!/usr/bin/env bash
# Fails when the widget-free layers reach up into the interface: protocol/ may
# use Qt Core only, device/ Qt Core and hidapi; neither includes a ui/ header.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2
bad=$(grep -nE '#include *[<"](ui/|app/|Qt(Widgets|Gui|Svg)/|Q(Widget|Label|PushButton|Application|GuiApplication|Color|Font|Pixmap|Image|Painter)[>"])' \
      src/protocol/*.h src/protocol/*.cpp src/device/*.h src/device/*.cpp src/focus/*.h src/focus/*.cpp 2>/dev/null)
if [ -n "$bad" ]; then
    echo "Layering violations (protocol/, device/ and focus/ must not include interface headers):"
    echo "$bad"
    exit 1
fi
echo "layers ok: protocol/, device/ and focus/ include no interface header"
