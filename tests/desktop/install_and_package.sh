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
has() { [ -e "$1" ] || fail "missing $1"; }

# ---- cmake --install
prefix="$tmp/prefix"
cmake --install "$build" --prefix "$prefix" > "$tmp/install.log"
has "$prefix/bin/corvina-sms"
[ -x "$prefix/bin/corvina-sms" ] || fail "bin/corvina-sms is not executable"
desktop="$prefix/share/applications/corvina-sms.desktop"
has "$desktop"
has "$prefix/share/icons/hicolor/scalable/apps/corvina-sms.svg"
has "$prefix/share/man/man1/corvina-sms.1.gz"
for doc in LICENSE copyright README.md; do has "$prefix/share/doc/corvina-sms/$doc"; done
grep -q "GNU GENERAL PUBLIC LICENSE" "$prefix/share/doc/corvina-sms/LICENSE" \
    || fail "LICENSE is not the GPL"

for size in 16 22 24 32 48 64 128 256; do
    has "$prefix/share/icons/hicolor/${size}x${size}/apps/corvina-sms.png"
done

# The desktop entry: what it runs, its icon and categories, words that say what it does.
if [ -e "$desktop" ]; then
    for line in "Type=Application" "Exec=corvina-sms" "Icon=corvina-sms" "Terminal=false"; do
        grep -qx "$line" "$desktop" || fail "desktop entry lacks $line"
    done
    grep -Eq '^Categories=(.*;)?Office;(.*;)?Utility;' "$desktop" \
        || fail "desktop entry is not in Office and Utility"
    grep -Eq '^GenericName=.*SMS' "$desktop" || fail "desktop entry has no generic name"
    grep -Eq '^Comment=.*(message|SMS)' "$desktop" || fail "desktop entry has no comment"
    if command -v desktop-file-validate > /dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the entry"
    else
        echo "note: desktop-file-validate is not installed; entry checked by hand only"
    fi
fi

# The manual page is section 1 of this version.
zcat "$prefix/share/man/man1/corvina-sms.1.gz" | grep -q "^\.TH CORVINA-SMS 1 .*$version" \
    || fail "manual page header"

# The installed program answers without a display and without a port.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb "$prefix/bin/corvina-sms" --version)
[ "$out" = "corvina-sms $version" ] || fail "installed --version says '$out'"

# ---- cpack
(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" \
    > "$tmp/cpack.log") || { cat "$tmp/cpack.log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/pkg/*.deb 2> /dev/null | head -n 1)
if [ -z "$deb" ]; then
    fail "no .deb was built"
else
    info=$(dpkg-deb -I "$deb")
    depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
    echo "Depends: $depends"
    field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
    [ "$(field Package)" = corvina-sms ] || fail "package name"
    [ "$(field Version)" = "$version" ] || fail "package version"
    for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
        printf '%s\n' "$depends" | grep -q "\b$lib\b" || fail "Depends lacks $lib"
    done
    printf '%s\n' "$depends" | tr ',' '\n' | grep -q -- '-dev\b' \
        && fail "Depends names a -dev package"
    contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
    for path in ./usr/bin/corvina-sms ./usr/share/applications/corvina-sms.desktop \
                ./usr/share/icons/hicolor/48x48/apps/corvina-sms.png \
                ./usr/share/icons/hicolor/scalable/apps/corvina-sms.svg \
                ./usr/share/man/man1/corvina-sms.1.gz ./usr/share/doc/corvina-sms/copyright; do
        printf '%s\n' "$contents" | grep -qx -- "$path" || fail "package lacks $path"
    done
    printf '%s\n' "$contents" | grep -v '^\./usr/' | grep -v '^\./$' && fail "files outside /usr"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "install tree and package are complete"
