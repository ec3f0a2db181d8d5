# shellcheck shell=bash
# Shared by the end-to-end case scripts: each defines functions case_NAME and ends with
# `e2e_main "$@"`. The real player runs on bundles built by kelpack around the freshly built
# kelPlayer, each case on its own virtual display with openbox, driven with xdotool and checked
# pixel by pixel. Every wait polls a condition until a deadline.
#
# Usage of a case script: SCRIPT CASE KELPLAYER KELPACK SET_CATALOGUE ROOT_PIXEL MAKE_SWF WORKDIR
# Cases listed in E2E_HEADLESS_CASES run without a display.
set -euo pipefail
export LC_ALL=C.UTF-8

readonly MAIN_TITLE="Korvat教育 Lumivo播放器"
readonly APP_TITLE="Korvat教育 - Lumivo播放器"
readonly RED=FF0000 GREEN=00FF00 BLUE=0000FF

log() { echo "[$CASE] $*"; }

# The screen as an XWD image on stdout. xwd walks the window tree first and fails when a window
# goes away meanwhile (a program starting or ending one): it is tried again.
root_xwd() {
    local attempt
    for attempt in 1 2 3; do
        if xwd -root -silent -out "$WORK/root.xwd" 2>/dev/null; then
            cat "$WORK/root.xwd"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

fail() {
    echo "FAIL [$CASE]: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        echo "centre colour $(colour_at 512 384 2>&1); player ${PLAYER_PID:-none}" \
            "$(kill -0 "${PLAYER_PID:-0}" 2>/dev/null && echo running || echo "not running")" >&2
        root_xwd | convert xwd:- png:"$WORK/failure.png" 2>/dev/null &&
            echo "screenshot: $WORK/failure.png" >&2
    fi
    [ -s "$WORK/stderr.log" ] && sed 's/^/player stderr: /' "$WORK/stderr.log" >&2
    exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# wait_for DESCRIPTION SECONDS COMMAND...: polls COMMAND until it succeeds (status 0) or time
# runs out (status 1).
wait_for() {
    local deadline=$(($(now_ms) + $2 * 1000))
    shift 2
    until "$@"; do
        [ "$(now_ms)" -lt $deadline ] || return 1
        sleep 0.02
    done
}

# wait_until DESCRIPTION SECONDS COMMAND...: as wait_for, but failing the case on time-out.
wait_until() {
    wait_for "$@" || fail "timed out waiting for $1"
}

colour_at() { "$ROOT_PIXEL" "$1" "$2"; }
is_colour() { [ "$(colour_at "$1" "$2")" = "$3" ]; }

# near RRGGBB RRGGBB [TOLERANCE]: every channel within the tolerance (video is decoded, scaled
# and converted, so its colours move a little).
near() {
    local i d
    for i in 0 2 4; do
        d=$((16#${1:i:2} - 16#${2:i:2}))
        [ "${d#-}" -le "${3:-24}" ] || return 1
    done
}
is_near() { near "$(colour_at "$1" "$2")" "$3"; }

# count_colour X Y W H RRGGBB: how many pixels of that screen area are (nearly) that colour.
count_colour() {
    root_xwd | convert xwd:- -crop "$3x$4+$1+$2" +repage -fuzz 12% \
        -fill '#FF00FF' -opaque "#$5" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' \
        -format '%[fx:round(mean*w*h)]' info:
}
has_colour_count() { [ "$(count_colour "$1" "$2" "$3" "$4" "$5")" -ge "$6" ]; }

# No error report comes up within a few seconds.
expect_no_report() {
    ! wait_for "an error report" 3 has_window "$APP_TITLE" || fail "an error report came up"
}

# The web engine's processes of the running player.
engine_processes() { pgrep -c -P "$PLAYER_PID" QtWebEngine || true; }
is_not_colour() { [ "$(colour_at "$1" "$2")" != "$3" ]; }
expect_centre() { wait_until "the centre of the screen to show $1" 10 is_colour 512 384 "$1"; }

# The bare Flash panel in front: white, with its caption in black across the middle.
caption_shown() {
    is_colour 20 20 FFFFFF && is_colour 1000 740 FFFFFF || return 1
    local text
    text=$(count_colour 300 350 424 70 000000)
    [ "$text" -ge 200 ] && [ "$text" -le 10000 ]
}

# ---- preparation, outside the virtual display ----

make_picture() { convert -size 64x48 "xc:#$2" "BMP3:$WORK/lessons/$1"; }

# A video of one colour with a tone, 10 s: make_video FILE COLOUR VIDEO-CODEC AUDIO-CODEC.
make_video() {
    ffmpeg -v error -y -f lavfi -i "color=c=0x$2:s=320x240:d=10:r=15" -f lavfi \
        -i "sine=f=440:d=10" -c:v "$3" -c:a "$4" -ar 22050 "$WORK/lessons/$1"
}

# build_bundle OUT FILE...: a bundle of the given lesson files, in this order.
build_bundle() {
    local out=$1 first=1 file
    shift
    {
        printf '{"lessons": ['
        for file in "$@"; do
            [ $first = 1 ] || printf ', '
            first=0
            printf '{"file": "%s"}' "$file"
        done
        printf ']}\n'
    } >"$WORK/lessons/manifest.json"
    "$KELPACK" build "$WORK/lessons/manifest.json" --player "$WORK/kelPlayer" -o "$out" >/dev/null
}

prepare() {
    rm -rf "$WORK"
    mkdir -p "$WORK/lessons" "$WORK/tmp"
    cp "$PLAYER" "$WORK/kelPlayer"
    make_picture red.bmp $RED
    make_picture green.bmp $GREEN
    make_picture blue.bmp $BLUE
    build_bundle "$WORK/bundle" red.bmp green.bmp blue.bmp
}

# ---- inside the virtual display ----

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

start_wm() {
    openbox --sm-disable >/dev/null 2>&1 &
    WM_PID=$!
    wait_until "the window manager" 30 wm_running
}

PLAYER_PID=""
START_MS=0

# start_player COMMAND...: the bundle, or a command that runs it (env VAR=... BUNDLE).
start_player() {
    START_MS=$(now_ms)
    "$@" 2>>"$WORK/stderr.log" &
    PLAYER_PID=$!
}

player_running() { kill -0 "$PLAYER_PID" 2>/dev/null; }
player_ended() { ! player_running; }

# The player's visible window with exactly this title.
window_titled() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$PLAYER_PID" --name Lumivo 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
has_window() { window_titled "$1" >/dev/null; }
lacks_window() { ! has_window "$1"; }

# Gives the window the keyboard focus, so that keys go where a teacher's would.
activate() {
    wait_until "the window \"$1\"" 10 has_window "$1"
    timeout 10 xdotool windowactivate --sync "$(window_titled "$1")" >/dev/null ||
        fail "could not activate \"$1\""
}

# Waits for the first lesson and reports how long the player took from its start.
await_first_lesson() {
    expect_centre "$1"
    export STARTUP_MS=$(($(now_ms) - START_MS))
}

# Closes the player as a user does (Alt+F4 through the window manager); returns its status.
# openbox closes the window it has focused; when the key lands before it has taken the focus
# over from activation, the key closes nothing, so the user's gesture is repeated.
close_player() {
    local attempt
    for attempt in 1 2 3; do
        activate "$MAIN_TITLE"
        xdotool key alt+F4
        wait_for "the player to end" 3 player_ended && break
        log "Alt+F4 attempt $attempt left the player running"
    done
    wait_until "the player to end" 10 player_ended
    local status=0
    wait "$PLAYER_PID" || status=$?
    PLAYER_PID=""
    return $status
}

cleanup() {
    [ -n "$PLAYER_PID" ] && kill "$PLAYER_PID" 2>/dev/null
    [ -n "${WM_PID:-}" ] && kill "$WM_PID" 2>/dev/null
    return 0
}

e2e_main() {
    if [ "${1:-}" = --inside ]; then
        trap cleanup EXIT
        start_wm
        "case_$CASE"
        exit 0
    fi
    [ $# = 7 ] || {
        echo "usage: $0 CASE KELPLAYER KELPACK SET_CATALOGUE ROOT_PIXEL MAKE_SWF WORKDIR" >&2
        exit 2
    }
    export CASE=$1 PLAYER=$2 KELPACK=$3 SET_CATALOGUE=$4 ROOT_PIXEL=$5 MAKE_SWF=$6
    # Absolute: xvfb-run keeps its files in TMPDIR, which is made from it.
    WORK=$(realpath -m "$7/$1")
    export WORK
    declare -F "case_$CASE" >/dev/null || { echo "no such case: $CASE" >&2; exit 2; }
    prepare
    export TMPDIR=$WORK/tmp
    if [[ " ${E2E_HEADLESS_CASES:-} " == *" $CASE "* ]]; then
        "case_$CASE"
    else
        xvfb-run -a -s "-screen 0 ${E2E_SCREEN:-1024x768}x24" bash "$0" --inside
    fi
}
