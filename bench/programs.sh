#!/usr/bin/env bash
# How long a lesson program takes to show inside the player, on a virtual display. Not a test: it
# reports, it never fails on a time.
#
#   bench/programs.sh [BUILD_DIR [ROUNDS]]     BUILD_DIR defaults to build/, ROUNDS to 3
#
# Times from the Page Down key press to the program's window filling the screen: the native
# sample program, and the Windows one under wine with the user's prefix present (wine not
# running yet, as when a teacher comes to the lesson) and with a prefix that has to be made
# first (a user who has never run wine). A picture lesson change in the same runs is the
# reference the others are given against.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
if [ "${1:-}" != --inside ]; then
    build=$(realpath "${1:-$root/build}")
    rounds=${2:-3}
    if ! log=$(cmake --build "$build" -j2 --target kelPlayer kelpack bench_switch_probe \
        x11_lesson windows_lesson kelwinehost 2>&1); then
        echo "$log" >&2
        exit 1
    fi
    command -v wine >/dev/null || { echo "wine is missing (scripts/install-deps.sh)" >&2; exit 1; }
    work=$(mktemp -d "${TMPDIR:-/tmp}/kelbench.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/lessons" "$work/tmp"
    cd "$work/lessons"
    convert -size 64x48 xc:#FF0000 BMP3:red.bmp
    convert -size 64x48 xc:#00FF00 BMP3:green.bmp
    convert -size 64x48 xc:#0000FF BMP3:blue.bmp
    cp "$build/samples/x11_lesson" native.exe
    cp "$build/samples/windows_lesson.exe" windows.exe
    printf '{"lessons": [%s]}\n' \
        '{"file": "red.bmp"}, {"file": "green.bmp"}, {"file": "native.exe"}, {"file": "blue.bmp"}, {"file": "windows.exe"}' \
        >programs.json
    "$build/cli/kelpack" build programs.json --player "$build/app/kelPlayer" -o "$work/programs" \
        >/dev/null
    export BUILD=$build WORK=$work ROUNDS=$rounds
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$here/programs.sh" --inside
fi

# The sample programs' colours, looked for away from their middle square and their buttons and
# outside the place where their own window first opens: what is timed is the window taken in.
readonly TEAL=208080 PURPLE=603090
probe() { "$BUILD/bench/bench_switch_probe" Next 700 600 "$1" 8 60000; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

openbox --sm-disable >/dev/null 2>&1 &
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do sleep 0.1; done
export TMPDIR=$WORK/tmp

player_window() { xdotool search --onlyvisible --pid "$PLAYER" --name Lumivo 2>/dev/null | head -n 1; }
pixel_is() { [ "$(xwd -root -silent | convert xwd:- -format '%[hex:p{700,600}]' info:)" = "$1" ]; }

start() {
    "$WORK/programs" 2>/dev/null &
    PLAYER=$!
    local deadline=$((SECONDS + 20))
    until [ -n "$(player_window)" ] && pixel_is FF0000; do
        [ $SECONDS -lt $deadline ] || { echo "the first lesson did not show" >&2; exit 1; }
        sleep 0.05
    done
    xdotool windowactivate --sync "$(player_window)" 2>/dev/null
}

# A program's window takes the focus when it opens; the player takes it back once the window is
# in. A key pressed before then would go to the program, so the next key waits for it.
await_player_focus() {
    local deadline=$((SECONDS + 10)) focus
    until focus=$(xdotool getwindowfocus 2>/dev/null) &&
        xdotool search --pid "$PLAYER" 2>/dev/null | grep -qx "$focus"; do
        [ $SECONDS -lt $deadline ] || { echo "the player did not take the focus back" >&2; exit 1; }
        sleep 0.02
    done
}

stop() {
    xdotool windowactivate --sync "$(player_window)" key alt+F4 2>/dev/null
    for _ in $(seq 100); do kill -0 "$PLAYER" 2>/dev/null || break; sleep 0.1; done
    kill "$PLAYER" 2>/dev/null || true
    wait "$PLAYER" 2>/dev/null || true
    # Until the prefix's own processes have gone, wine would start warm.
    WINEPREFIX=$HOME/.wine timeout 60 wineserver -w || true
}

# run ARRAY: one pass through the bundle; the Windows program's time goes to ARRAY.
run() {
    local -n windows=$1
    start
    picture+=("$(probe 00FF00)")
    native+=("$(probe $TEAL)")
    await_player_focus
    probe 0000FF >/dev/null
    windows+=("$(probe $PURPLE)")
    await_player_focus
    stop
}

declare -a picture native present fresh
# A first pass makes the prefix that the "present" passes find.
export HOME=$WORK/home-present
mkdir -p "$HOME"
declare -a unused
run unused
for round in $(seq "$ROUNDS"); do
    run present
    export HOME=$WORK/home-fresh-$round
    mkdir -p "$HOME"
    run fresh
    export HOME=$WORK/home-present
done

report() {
    local name=$1 reference=$2
    shift 2
    local m
    m=$(printf '%s\n' "$@" | median)
    printf '%-44s %6d ms  %7.1f x picture   (%s)\n' "$name" "$m" \
        "$(awk -v a="$m" -v b="$reference" 'BEGIN { print a / b }')" "$*"
}
echo "Page Down to the lesson program's window in the player: medians, all runs in brackets; $(nproc) cores"
ref=$(printf '%s\n' "${picture[@]}" | median)
report "picture (reference)" "$ref" "${picture[@]}"
report "native program (Xlib)" "$ref" "${native[@]}"
report "Windows program, wine prefix present" "$ref" "${present[@]}"
report "Windows program, new wine prefix" "$ref" "${fresh[@]}"
