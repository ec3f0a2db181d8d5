#!/usr/bin/env bash
# Makes the Debian package of kelPlayer and kelpack with CPack's DEB generator and prints the
# .deb's path as its last line. It builds in a folder of its own (BUILD_DIR, default
# build-package/) configured for the /usr prefix, so that the installed player, and every bundle
# built on it wherever it is copied, finds its run-time data in /usr/share/kelplayer/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-package}
jobs=${JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DKEL_BUILD_BENCH=OFF >/dev/null
# Only what the install rules take their files from (data/CMakeLists.txt), not the tests.
cmake --build "$build" -j "$jobs" --target installed_parts >/dev/null
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
debs=("$build"/*.deb)
if [ ${#debs[@]} != 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "$0: no single .deb in $build" >&2
    exit 1
fi
echo "${debs[0]}"
