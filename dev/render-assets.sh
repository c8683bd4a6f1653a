#!/bin/sh
# Renders the pictures the program loads as PNG (and the window icon) from
# their drawing sources under asset/src/. The build does not run this: the
# rendered files are committed next to the SVG pictures. Run it after editing
# a source under asset/src/ and commit the results.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/asset/src"
out="$root/asset"

need() {
    command -v "$1" >/dev/null 2>&1 && return 0
    echo "render-assets: $1 missing, installing $2" >&2
    apt-get install -y "$2" >/dev/null
}
need rsvg-convert librsvg2-bin
need convert imagemagick

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# png <source under asset/src> <target under asset> <zoom | WIDTHxHEIGHT>
png() {
    mkdir -p "$(dirname "$out/$2")"
    case $3 in
    *x*) rsvg-convert --width "${3%x*}" --height "${3#*x}" --format png --output "$tmp/r.png" "$src/$1" ;;
    *) rsvg-convert --zoom "$3" --format png --output "$tmp/r.png" "$src/$1" ;;
    esac
    # Strip timestamps and other chunks so re-rendering an unchanged source
    # gives a byte-identical file.
    convert "$tmp/r.png" -strip -define png:exclude-chunks=date,time "PNG32:$out/$2"
}

# The knob is shown at up to twice its design size on high-density screens.
# Ordinary screens get a drawing at the design size (the dial is 0.673 of the
# 300 wide knob), so a start decodes a quarter of the pixels and shrinks none.
png knob1.svg knob1.png 2
png knob2.svg knob2.png 2
png knob1.svg knob1-201.png 201x201
png knob2.svg knob2-300.png 1

png platform/system.svg platform/system.png 2

# Window icon: one image per size, each rendered straight from the source so
# the small ones stay crisp instead of being scaled down from the large one.
# The program reads the PNGs (the built-in reader, no image plug-in to load);
# the ICO holds the same four for systems that want one file.
for size in 16 32 48 256; do
    png VX_logo.svg "icon/VX_logo-$size.png" "${size}x$size"
done
convert "$out/icon/VX_logo-16.png" "$out/icon/VX_logo-32.png" "$out/icon/VX_logo-48.png" \
    "$out/icon/VX_logo-256.png" "$out/VX_logo.ico"

echo "render-assets: done"
