#!/usr/bin/env bash
# The pen of the screen annotation: its work per mouse movement at 1920 x 1080 and 3840 x 2160,
# measured in one run on a 3840 x 2160 virtual display (see bench/pen_bench.cpp). Not a test: it
# reports, it never fails on a time.
#
#   bench/annotation.sh [BUILD_DIR [STROKES [MOVES]]]    BUILD_DIR defaults to build/
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=$(realpath "${1:-$root/build}")
if ! log=$(cmake --build "$build" -j2 --target bench_pen 2>&1); then
    echo "$log" >&2
    exit 1
fi

echo "Screen annotation, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 3840x2160x24" \
    "$build/bench/bench_pen" "${2:-10}" "${3:-200}" 2> >(grep -v XDG_RUNTIME_DIR >&2)
