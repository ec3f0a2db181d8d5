#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: prints nothing and changes nothing when all is already there.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang-format
    # core libraries
    zlib1g-dev libisal-dev libxml2-dev nlohmann-json3-dev
    # tests, fuzzing, benchmarks
    googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev pigz
    # player: window, web engine (Flash emulator, web pages, PDF), video
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-webengine-dev qt6-webchannel-dev
    qt6-multimedia-dev
    # video formats of real lessons (AVI: MS-MPEG4, DivX/Xvid, MJPEG; WMV: WMV1/2/3, WMA)
    gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-plugins-ugly gstreamer1.0-libav
    # DOC lessons are shown as PDF converted by LibreOffice
    libreoffice-writer-nogui
    # the FLV player movie is built from its source when Haxe is there; sample video
    haxe ffmpeg
    # fonts for the Chinese captions and messages; Qt's own texts (message box buttons) in Chinese
    fonts-wqy-zenhei qt6-translations-l10n
    # end-to-end harness: virtual display, window manager, input, screenshots
    xvfb xauth openbox xdotool x11-apps x11-utils imagemagick libx11-dev libxtst-dev
    # Windows program images for the Windows bundles of the tests; the icon's PNG sizes;
    # checks of the installed package (desktop entry, manual pages, completion)
    mingw-w64 librsvg2-bin desktop-file-utils man-db bash-completion
    # lesson programs: their windows found through the X-Resource extension; Windows ones run
    # under wine (the 32-bit wine32 is an i386 package), our helper built with mingw-w64
    libxcb-res0-dev wine wine32
    # screen annotation: its windows' shapes and pictures (xcb); a compositing manager for the
    # end-to-end case that draws under one
    libxcb-shape0-dev libxcb-image0-dev xcompmgr
    # Help: the help file goes to the desktop's opener (xdg-open, which tells its type with
    # file), with a viewer for compiled HTML help registered for it
    xdg-utils file xchm
)

# The Flash emulator comes from the npm registry, pinned by resources/flash/package-lock.json.
command -v npm >/dev/null 2>&1 || packages+=(npm)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

# wine32 can only be found once dpkg and apt know the i386 architecture.
if ! dpkg-query -W -f='${Status}' wine32 2>/dev/null | grep -q "install ok installed" &&
    ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -qq
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

flash=$(cd "$(dirname "$0")/../resources/flash" && pwd)
emulator=node_modules/@ruffle-rs/ruffle
want=$(cd "$flash" && node -p "require('./package-lock.json').packages['$emulator'].version")
have=$(cd "$flash" && node -p "require('./$emulator/package.json').version" 2>/dev/null || true)
if [ "$want" != "$have" ]; then
    echo "installing the Flash emulator $want (npm ci)"
    (cd "$flash" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi
