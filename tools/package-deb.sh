#!/bin/sh
# Packs the Linux program as a Debian package: dist/frostvale_VERSION_amd64.deb
# holding the program where XScreenSaver looks for its hacks and, through a
# link, on PATH (/usr/bin/frostvale, for Wayland compositors' and idle
# daemons' command lines), its settings description, the manual page, the
# Wayland notes, a desktop entry that runs it in a window, and its icon;
# Depends as dpkg-shlibdeps finds them.
#
#   tools/package-deb.sh                  builds the program (build/native) first
#   tools/package-deb.sh PROGRAM [DIR]    packs a program already built, into DIR
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"

if [ $# -ge 1 ]; then
    PROGRAM=$(realpath "$1")
    DIST=${2:-dist}
else
    tools/setup-debian.sh
    BUILD=${FROSTVALE_BUILD:-build}
    cmake -S . -B "$BUILD/native" -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build "$BUILD/native" --target frostvale -j "$(nproc)"
    PROGRAM="$ROOT/$BUILD/native/frostvale"
    DIST=dist
fi
VERSION=$("$PROGRAM" --version | sed 's/^frostvale //')
mkdir -p "$DIST"
DIST=$(realpath "$DIST")
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
PKG="$STAGE/frostvale"
DOC="$PKG/usr/share/doc/frostvale"

install -d "$PKG/DEBIAN" "$PKG/usr/libexec/xscreensaver" "$PKG/usr/bin" "$PKG/usr/share/xscreensaver/config" \
    "$PKG/usr/share/man/man6" "$PKG/usr/share/applications" "$DOC"
install -m 755 "$PROGRAM" "$PKG/usr/libexec/xscreensaver/frostvale"
strip --remove-section=.comment --remove-section=.note --strip-unneeded \
    "$PKG/usr/libexec/xscreensaver/frostvale"
ln -s ../libexec/xscreensaver/frostvale "$PKG/usr/bin/frostvale"
install -m 644 packaging/linux/frostvale.xml "$PKG/usr/share/xscreensaver/config/"
install -m 644 packaging/linux/frostvale.desktop "$PKG/usr/share/applications/"
sed "s/@VERSION@/$VERSION/" packaging/linux/frostvale.6 | gzip -9n >"$PKG/usr/share/man/man6/frostvale.6.gz"
install -m 644 packaging/linux/copyright "$DOC/"
install -m 644 docs/wayland.md "$DOC/"

# The icon's images as PNG files, one per size the icon file holds.
icotool -x -o "$STAGE" res/frostvale.ico
for png in "$STAGE"/frostvale_*x32.png; do
    size=$(basename "$png" | sed 's/^frostvale_[0-9]*_\([0-9]*\)x.*/\1/')
    install -D -m 644 "$png" "$PKG/usr/share/icons/hicolor/${size}x${size}/apps/frostvale.png"
done

# The Debian changelog of this native package: one entry for this version.
DATE=$(git log -1 --format=%aD 2>/dev/null || date -R)
printf 'frostvale (%s) unstable; urgency=medium\n\n  * Release %s: the scene as an XScreenSaver hack for Linux.\n\n -- Zentrel3D <frostvale@zentrel.example>  %s\n' \
    "$VERSION" "$VERSION" "$DATE" | gzip -9n >"$DOC/changelog.gz"
chmod 644 "$DOC/changelog.gz" "$PKG/usr/share/man/man6/frostvale.6.gz"

# dpkg-shlibdeps reads a source package's control file: a minimal one.
mkdir -p "$STAGE/debian"
printf 'Source: frostvale\n\nPackage: frostvale\nArchitecture: amd64\n' >"$STAGE/debian/control"
DEPENDS=$(cd "$STAGE" && dpkg-shlibdeps -O "frostvale/usr/libexec/xscreensaver/frostvale" |
    sed -n 's/^shlibs:Depends=//p')

cat >"$PKG/DEBIAN/control" <<CONTROL
Package: frostvale
Version: $VERSION
Architecture: amd64
Maintainer: Zentrel3D <frostvale@zentrel.example>
Installed-Size: $(du -k -s "$PKG" | cut -f1)
Depends: $DEPENDS
Recommends: xscreensaver | swayidle, ffmpeg
Section: x11
Priority: optional
Homepage: https://zentrel.example/frostvale/
Description: 3D Christmas scene as a screensaver for X11 and Wayland
 A fir tree with a spinning gold star, blinking string lights and presents
 stands under a starry night sky, seen by a slowly circling camera. Forty
 ornaments fly in from space and snap onto the tree with sparks, then fly
 away again; snow falls, and three carols the program synthesizes itself
 may play.
 .
 XScreenSaver runs it as "frostvale --root"; on Wayland desktops it is the
 wallpaper ("frostvale --background") or the screensaver on idle
 ("frostvale --overlay" from swayidle or hypridle); it also runs in a
 window of its own from the applications menu.
CONTROL

(cd "$PKG" && find usr -type f -exec md5sum {} + | sort -k2) >"$PKG/DEBIAN/md5sums"

OUT="$DIST/frostvale_${VERSION}_amd64.deb"
dpkg-deb --root-owner-group -Zxz --build "$PKG" "$OUT" >/dev/null
echo "$OUT"
