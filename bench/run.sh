#!/usr/bin/env bash
# Runs the core benchmarks and prints their report. Not a test: it never fails on a time, only
# when a benchmark cannot run or produces a wrong output.
#
#   bench/run.sh [BUILD_DIR]    BUILD_DIR defaults to build-bench at the top of the tree and is
#                               configured when it does not exist yet.
#   KEL_BENCH_MIB=256 KEL_BENCH_REPEATS=3 size the extraction benchmark.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-bench}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DKEL_BUILD_PLAYER=OFF >/dev/null
fi
if ! log=$(cmake --build "$build" -j2 --target bench_extract bench_open 2>&1); then
    echo "$log" >&2
    exit 1
fi

if ! command -v pigz >/dev/null; then
    echo "pigz is needed as the reference (apt-get install pigz)" >&2
    exit 1
fi

# The large files (the item's content, its package, every output) live here only while running.
work=$(mktemp -d "${TMPDIR:-/tmp}/kelbench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "Core benchmarks, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m)"
echo
"$build/bench/bench_extract" "$work" "${KEL_BENCH_MIB:-256}" "${KEL_BENCH_REPEATS:-3}"
echo
"$build/bench/bench_open" "$work"
