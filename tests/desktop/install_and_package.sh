#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a temporary prefix and checks what lands where, then
# builds the Debian package with cpack and checks its control data and contents.
#
#   install_and_package.sh BUILD_DIR VERSION
set -euo pipefail

build=$(cd "$1" && pwd)
version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# ---- cmake --install
prefix="$tmp/prefix"
share="$prefix/share"
cmake --install "$build" --prefix "$prefix" > "$tmp/install.log"
[ -x "$prefix/bin/corvina-sms" ] || fail "bin/corvina-sms is missing or not executable"
desktop="$share/applications/corvina-sms.desktop"
icons="$share/icons/hicolor"
for f in "$desktop" "$icons/scalable/apps/corvina-sms.svg" "$share/man/man1/corvina-sms.1.gz" \
         "$share"/doc/corvina-sms/{LICENSE,copyright,README.md} \
         "$icons"/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/corvina-sms.png; do
    [ -e "$f" ] || fail "missing $f"
done
grep -q "GNU GENERAL PUBLIC LICENSE" "$share/doc/corvina-sms/LICENSE" || fail "LICENSE is not GPL"

# The desktop entry: what it runs, its icon and categories, words that say what it does.
for line in "Type=Application" "Exec=corvina-sms" "Icon=corvina-sms" "Terminal=false"; do
    grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
done
grep -Eq '^Categories=(.*;)?Office;(.*;)?Utility;' "$desktop" || fail "not in Office and Utility"
grep -Eq '^GenericName=.*SMS' "$desktop" || fail "desktop entry has no generic name"
grep -Eq '^Comment=.*(message|SMS)' "$desktop" || fail "desktop entry has no comment"
if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the entry"
else
    echo "note: desktop-file-validate is not installed; entry checked by hand only"
fi

# The manual page is section 1 of this version.
zcat "$share/man/man1/corvina-sms.1.gz" | grep -q "^\.TH CORVINA-SMS 1 .*$version" \
    || fail "manual page header"

# The installed program answers without a display and without a port.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/corvina-sms" --version)
[ "$out" = "corvina-sms $version" ] || fail "installed --version says '$out'"

# ---- cpack: the package's name, version, run-time dependencies and files under /usr.
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" > "$tmp/cpack.log") \
    || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/pkg/*.deb 2> /dev/null | head -n 1)
[ -n "$deb" ] || { fail "no .deb was built"; exit 1; }
info=$(dpkg-deb -I "$deb")
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
depends=$(field Depends)
echo "Depends: $depends"
[ "$(field Package) $(field Version)" = "corvina-sms $version" ] || fail "package name or version"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
    printf '%s\n' "$depends" | grep -q "\b$lib\b" || fail "Depends lacks $lib"
done
printf '%s\n' "$depends" | tr ',' '\n' | grep -q -- '-dev\b' && fail "Depends names a -dev package"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in bin/corvina-sms share/applications/corvina-sms.desktop \
            share/icons/hicolor/48x48/apps/corvina-sms.png \
            share/icons/hicolor/scalable/apps/corvina-sms.svg \
            share/man/man1/corvina-sms.1.gz share/doc/corvina-sms/copyright; do
    printf '%s\n' "$contents" | grep -qx -- "./usr/$path" || fail "package lacks /usr/$path"
done
printf '%s\n' "$contents" | grep -v '^\./usr/' | grep -v '^\./$' && fail "files outside /usr"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install tree and package are complete"
