#!/usr/bin/env bash
# The player's lesson changes and memory, on a virtual display. Not a test: it reports, it never
# fails on a time.
#
#   bench/lessons.sh [BUILD_DIR [ROUNDS]]     BUILD_DIR defaults to build/, ROUNDS to 5
#
# Each round starts the player on a bundle of pictures, movies and a video and times, from the
# Page Down key press to the new lesson's first frame on the screen: a picture (the reference
# the others are given against), a movie while the web engine has not started yet (the first web
# lesson of a run), a movie with the engine running, and a video. Then the demo bundle is played
# from its first lesson to its last, and the peak resident memory of the player and of the player
# with its web engine processes is reported.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
if [ "${1:-}" != --inside ]; then
    build=$(realpath "${1:-$root/build}")
    rounds=${2:-5}
    if ! log=$(cmake --build "$build" -j2 --target kelPlayer kelpack make_swf bench_switch_probe \
        e2e_root_pixel flash_emulator 2>&1); then
        echo "$log" >&2
        exit 1
    fi
    work=$(mktemp -d "${TMPDIR:-/tmp}/kelbench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lessons" "$work/tmp"
    cd "$work/lessons"
    convert -size 64x48 xc:#FF0000 BMP3:red.bmp
    convert -size 64x48 xc:#00FF00 BMP3:green.bmp
    convert -size 64x48 xc:#0000FF BMP3:blue.bmp
    "$build/samples/make_swf" cold.swf --stage 640 480 --background 1878C8 --rect 0 0 320 240 E02020
    "$build/samples/make_swf" warm.swf --compress --stage 640 480 --background C89018 \
        --rect 0 0 320 240 20C040
    ffmpeg -v error -f lavfi -i color=c=0xE0E020:s=320x240:d=20:r=15 -f lavfi -i sine=d=20 \
        -c:v msmpeg4v2 -c:a libmp3lame -ar 22050 clip.avi
    printf '{"lessons": [%s]}\n' \
        '{"file": "red.bmp"}, {"file": "green.bmp"}, {"file": "cold.swf"}, {"file": "blue.bmp"}, {"file": "warm.swf"}, {"file": "clip.avi"}' \
        >switch.json
    "$build/cli/kelpack" build switch.json --player "$build/app/kelPlayer" -o "$work/switch" >/dev/null
    bash "$root/samples/make-samples.sh" "$work/demo" >/dev/null 2>&1
    "$build/cli/kelpack" build "$work/demo/demo.json" --player "$build/app/kelPlayer" \
        -o "$work/demo-player" >/dev/null
    export BUILD=$build WORK=$work ROUNDS=$rounds
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$here/lessons.sh" --inside
fi

probe() { "$BUILD/bench/bench_switch_probe" "$@"; }
pixel() { "$BUILD/tests/e2e/e2e_root_pixel" "$@"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

openbox --sm-disable >/dev/null 2>&1 &
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done
export TMPDIR=$WORK/tmp

player_window() { xdotool search --onlyvisible --pid "$PLAYER" --name Lumivo 2>/dev/null | head -n 1; }

# start BUNDLE [COLOUR]: starts the player and waits for its window and its first lesson.
start() {
    "$1" 2>/dev/null &
    PLAYER=$!
    local deadline=$((SECONDS + 20))
    until [ -n "$(player_window)" ] && { [ -z "${2:-}" ] || [ "$(pixel 512 384)" = "$2" ]; }; do
        [ $SECONDS -lt $deadline ] || { echo "the first lesson did not show" >&2; exit 1; }
        sleep 0.05
    done
    xdotool windowactivate --sync "$(player_window)"
}

stop() {
    xdotool key alt+F4
    for _ in $(seq 100); do kill -0 "$PLAYER" 2>/dev/null || break; sleep 0.1; done
    kill "$PLAYER" 2>/dev/null || true
    wait "$PLAYER" 2>/dev/null || true
}

declare -a picture cold warm video
for round in $(seq "$ROUNDS"); do
    start "$WORK/switch" FF0000
    picture+=("$(probe Next 512 384 00FF00 8)")
    # A movie's background shows before its first frame is drawn: wait for its shape, which has
    # another colour in each movie.
    cold+=("$(probe Next 160 120 E02020 24 20000)")
    probe Next 512 384 0000FF 8 >/dev/null
    warm+=("$(probe Next 160 120 20C040 24)")
    video+=("$(probe Next 512 384 E0E020 24 20000)")
    stop
    echo "round $round: picture ${picture[-1]} ms, first movie ${cold[-1]} ms, movie ${warm[-1]} ms, video ${video[-1]} ms"
done

reference=$(printf '%s\n' "${picture[@]}" | median)
report() {
    local name=$1 target=$2 value
    shift 2
    value=$(printf '%s\n' "$@" | median)
    awk -v n="$name" -v v="$value" -v r="$reference" -v t="$target" 'BEGIN {
        printf "%-40s %6d ms  %6.1f x picture   target %s ms\n", n, v, v / (r > 0 ? r : 1), t }'
}
echo
echo "Page Down to the next lesson's first frame, median of $ROUNDS rounds, $(nproc) cores:"
report "picture (reference)" 150 "${picture[@]}"
report "movie, web engine not started yet" 2000 "${cold[@]}"
report "movie, web engine running" 500 "${warm[@]}"
report "video" 500 "${video[@]}"

# Memory over the demo bundle: every lesson in turn, the resident sizes sampled meanwhile.
start "$WORK/demo-player"
lessons=$("$BUILD/cli/kelpack" list --json "$WORK/demo-player" | grep -c '"number"' || true)
peak_tree=0
for _ in $(seq "$lessons"); do
    for _ in $(seq 15); do
        tree=$(ps -o rss= -p "$PLAYER" --ppid "$PLAYER" | awk '{ s += $1 } END { print s + 0 }')
        [ "$tree" -gt "$peak_tree" ] && peak_tree=$tree
        sleep 0.2
    done
    xdotool key Next
done
peak_player=$(awk '/VmHWM/ { print $2 }' "/proc/$PLAYER/status")
stop
echo
echo "Peak resident memory over the demo bundle ($lessons lessons, 3 s each):"
echo "  the player: $((peak_player / 1024)) MiB; with its web engine processes: $((peak_tree / 1024)) MiB"
