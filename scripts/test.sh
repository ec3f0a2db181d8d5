#!/usr/bin/env bash
# Runs every test: the full build's unit, fuzz-corpus, tool, window and end-to-end tests; the core's
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer; and, when clang is present,
# a short libFuzzer run of each reader.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fuzz_seconds=${FUZZ_SECONDS:-20}

echo "== sanitizer build (core, tool) =="
BUILD_DIR=$root/build-asan bash "$root/scripts/build.sh" -DKEL_WERROR=ON -DKEL_SANITIZE=ON -DKEL_BUILD_PLAYER=OFF -DKEL_BUILD_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$root/build-asan" --output-on-failure -L 'unit|fuzz|cli'

if command -v clang++ >/dev/null 2>&1; then
    echo "== libFuzzer: ${fuzz_seconds}s per reader =="
    BUILD_DIR=$root/build-fuzz bash "$root/scripts/build.sh" -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DKEL_FUZZ=ON -DKEL_BUILD_PLAYER=OFF -DKEL_BUILD_BENCH=OFF
    for corpus in "$root"/tests/fuzz/corpus/*/; do
        name=$(basename "$corpus")
        work=$(mktemp -d)
        cp -r "$corpus". "$work/"
        "$root/build-fuzz/tests/fuzz/${name}_fuzz" -max_total_time="$fuzz_seconds" \
            -print_final_stats=0 "$work" 2>&1 | tail -n 2
        rm -rf "$work"
    done
fi

echo "== full build: all tests =="
bash "$root/scripts/build.sh" -DKEL_WERROR=ON
ctest --test-dir "$root/build" --output-on-failure
