#!/bin/sh
# Installs the Debian 12 packages the build and the tests need, when any
# is missing. Used by tools/run.sh and tools/test.sh; with package names as
# arguments, only those (tools/build-web.sh).
set -eu

PACKAGES="g++ cmake ninja-build python3 g++-mingw-w64-x86-64 wine wine64 xvfb xauth
libgl1-mesa-dri libegl-dev libopengl-dev libglu1-mesa-dev libgtest-dev libgmock-dev
imagemagick sox icoutils xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
nsis wixl msitools osslsigncode openssl"

# the Linux program, its tests, its package and the sanitizer build
PACKAGES="$PACKAGES libx11-dev libxrandr-dev libasound2-dev xdotool xscreensaver dpkg-dev lintian clang libclang-rt-14-dev"

# the Linux program's videos
PACKAGES="$PACKAGES ffmpeg webp"

# the Wayland host, and its tests on headless sway and Weston
PACKAGES="$PACKAGES libwayland-dev wayland-protocols sway grim wtype swayidle weston"

# the browser build and its page test (in Chromium and Firefox ESR)
PACKAGES="$PACKAGES emscripten binaryen chromium firefox-esr"

[ $# -eq 0 ] || PACKAGES="$*"

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
        *"install ok installed"*) ;;
        *) missing="$missing $p" ;;
    esac
done
# npm fetches the page test's browser driver (puppeteer-core); where
# Node.js came from elsewhere it brings its own npm
[ $# -ne 0 ] || command -v npm >/dev/null 2>&1 || missing="$missing npm"

if [ -n "$missing" ]; then
    echo "installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -q
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
fi

