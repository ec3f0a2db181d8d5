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
    # player
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # fonts for the Chinese captions and messages
    fonts-wqy-zenhei
    # end-to-end harness: virtual display, window manager, input, screenshots
    xvfb xauth openbox xdotool x11-apps x11-utils imagemagick libx11-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
