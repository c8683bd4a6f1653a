#!/bin/sh
# Builds the Debian package from a finished build and checks what a user gets:
# the file list, the control fields, the maintainer scripts, the desktop entry,
# the AppStream data, the udev rules and the installed program itself.
#   package_test.sh BUILD_DIR VERSION
# With CI=true and root it also installs the package for real, runs the
# program from PATH and purges the package again.
set -eu

build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack failed"
}
deb=$(ls "$work"/out/*.deb)
[ "$(echo "$deb" | wc -l)" -eq 1 ] || fail "expected one package, got: $deb"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = veltranix ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project is $version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(field Section)" = utils ] || fail "Section is '$(field Section)'"
depends=$(field Depends)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libhidapi-hidraw0 libc6; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
if grep -q '^LIBUDEV_FOUND:INTERNAL=1' "$build/CMakeCache.txt"; then
    echo "$depends" | grep -q libudev1 || fail "Depends lacks libudev1: $depends"
fi
# The simulated device must never reach a user's machine.
echo "$depends" | grep -q hidsim && fail "Depends names the simulator"

# File list: exactly what a user needs, nothing from the build tree.
dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); print }' >"$work/files"
for f in \
    ./usr/libexec/veltranix/veltranix \
    "./usr/bin/veltranix -> ../libexec/veltranix/veltranix" \
    ./usr/libexec/veltranix/hidvendor \
    ./usr/lib/udev/rules.d/70-veltranix.rules \
    ./usr/share/applications/com.veltranix.Configurator.desktop \
    ./usr/share/metainfo/com.veltranix.Configurator.metainfo.xml \
    ./usr/share/icons/hicolor/scalable/apps/veltranix.svg \
    ./usr/share/icons/hicolor/16x16/apps/veltranix.png \
    ./usr/share/icons/hicolor/48x48/apps/veltranix.png \
    ./usr/share/icons/hicolor/256x256/apps/veltranix.png \
    ./usr/share/man/man1/veltranix.1.gz \
    ./usr/share/man/man1/veltranix-cli.1.gz \
    ./usr/share/doc/veltranix/copyright \
    ./usr/share/doc/veltranix/changelog.gz \
    ./usr/share/veltranix/profiles/krita.json \
    ./usr/share/gnome-shell/extensions/veltranix-focus@veltranix/extension.js \
    ./usr/share/gnome-shell/extensions/veltranix-focus-legacy@veltranix/metadata.json; do
    grep -qxF "$f" "$work/files" || fail "package lacks '$f'"
done
if grep -v '/$' "$work/files" | grep -Ev '^\./usr/(libexec/veltranix|bin|lib/udev/rules\.d|share/(applications|metainfo|icons/hicolor|man/man1|doc/veltranix|veltranix/profiles|gnome-shell/extensions))/'; then
    fail "files outside the install layout (above)"
fi
grep -Eq 'hidsim|tst_|/usr/local/' "$work/files" && fail "test or build files in the package"

# Maintainer scripts: present, executable, and harmless where udev is absent.
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    [ -x "$work/control/$script" ] || fail "$script missing or not executable"
    sh -n "$work/control/$script" || fail "$script does not parse"
done
grep -q 'udevadm control --reload' "$work/control/postinst" || fail "postinst does not reload the rules"
grep -q 'udevadm trigger --subsystem-match=hidraw' "$work/control/postinst" || fail "postinst does not retrigger hidraw"
# Without udevadm at all both must still succeed.
mkdir -p "$work/emptybin"
PATH="$work/emptybin" /bin/sh "$work/control/postinst" configure || fail "postinst fails without udevadm"
PATH="$work/emptybin" /bin/sh "$work/control/postrm" remove || fail "postrm fails without udevadm"

# Unpacked into a scratch root.
root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/com.veltranix.Configurator.desktop" ||
    fail "desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.veltranix.Configurator.metainfo.xml" ||
    fail "metainfo does not validate"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/com.veltranix.Configurator.metainfo.xml" ||
    fail "metainfo release is not $version"
grep -q '^Exec=veltranix$' "$root/usr/share/applications/com.veltranix.Configurator.desktop" ||
    fail "desktop entry does not start the program on PATH"

# The program runs from the package, through its link, against the system's
# libraries, and answers without a display.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/veltranix" --version) || fail "--version failed"
[ "$out" = "veltranix $version" ] || fail "--version printed '$out'"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/veltranix" --help | grep -q -- '--version' || fail "--help"
if readelf -d "$root/usr/libexec/veltranix/veltranix" | grep -Eq 'R(UN)?PATH'; then
    readelf -d "$root/usr/libexec/veltranix/veltranix" | grep -E 'R(UN)?PATH' >&2
    fail "installed program keeps a build-tree library path"
fi

# Rules: only hidraw nodes, only the uaccess tag, and the id pair a keyboard
# model shares never tagged on its ids alone.
rules="$root/usr/lib/udev/rules.d/70-veltranix.rules"
grep -v '^[[:space:]]*#' "$rules" | grep -v '^[[:space:]]*$' >"$work/rules"
grep -v '^SUBSYSTEM=="hidraw", ' "$work/rules" && fail "rules above are not limited to hidraw"
grep -Eq 'MODE=|GROUP=|OWNER=|RUN' "$work/rules" && fail "rules change more than the uaccess tag"
grep -i '05ac' "$work/rules" | grep 'uaccess' | grep -Ev 'ENV\{(VX_KNOB_IDS|HID_NAME)\}==' &&
    fail "05ac:022c tagged on its ids alone (above)"
grep 'ENV{VX_KNOB_IDS}=="1"' "$work/rules" | grep 'uaccess' | grep -v 'ENV{VX_HID_VENDOR_PAGE}=="?\*"' &&
    fail "05ac:022c over USB tagged without its vendor interface (above)"
# The helper the rules run is the one shipped, and it needs no Qt at plug time.
helper=$(sed -n 's/.*IMPORT{program}="\([^" ]*\).*/\1/p' "$work/rules")
[ "$helper" = /usr/libexec/veltranix/hidvendor ] || fail "rules run '$helper', not the shipped helper"
readelf -d "$root$helper" | grep -q 'NEEDED.*libQt' && fail "$helper links Qt"

# Debian's own checks: no error.
if command -v lintian >/dev/null 2>&1; then
    lintian --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
    cat "$work/lintian"
    grep -q '^E: ' "$work/lintian" && fail "lintian reports errors"
fi

# A real install, only on a throwaway CI machine.
if [ "${CI:-}" = "true" ] && [ "$(id -u)" -eq 0 ]; then
    dpkg -i "$deb" || fail "dpkg -i failed"
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY veltranix --version) || { dpkg -P veltranix; fail "veltranix not on PATH"; }
    dpkg -P veltranix || fail "dpkg -P failed"
    [ "$out" = "veltranix $version" ] || fail "installed --version printed '$out'"
    [ ! -e /usr/lib/udev/rules.d/70-veltranix.rules ] || fail "rules left behind after removal"
fi

echo "package test passed: $(basename "$deb")"
