#!/usr/bin/env bash
# Plays a bundle under a private Xvfb display with a window manager: saves a screenshot of each
# lesson, stepping on with Page Down, then closes the player the way a user does (Alt+F4), so it
# cleans up its temporary files. A contact sheet of all the screenshots is saved as well.
# Usage: play-headless.sh BUNDLE OUTDIR [LESSONS]     (LESSONS defaults to 1)
set -euo pipefail
bundle=$(realpath "$1")
mkdir -p "$2"
outdir=$(realpath "$2")
# shellcheck disable=SC2016 # the script runs inside the display, with its own variables
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    bundle=$0 outdir=$1 lessons=$2
    openbox --sm-disable >/dev/null 2>&1 &
    # A window mapped while the window manager is still starting can be lost: wait for it.
    deadline=$((SECONDS + 10))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        [ $SECONDS -lt $deadline ] || { echo "the window manager did not start" >&2; exit 1; }
        sleep 0.1
    done
    export TMPDIR=$(mktemp -d)
    "$bundle" &
    pid=$!
    # xwd fails when a window goes away while it walks the window tree: that reading is empty.
    pixels() { xwd -root -silent 2>/dev/null | convert xwd:- -format "$1" info: 2>/dev/null || true; }
    centre() { pixels "%[pixel:p{512,384}]"; }
    bare_panel() { pixels "%[hex:p{20,20}] %[hex:p{512,700}]"; }
    # The screen starts black: wait for the first lesson, then for each next one to change the
    # centre of the screen (or a few seconds, for lessons that look alike there), and give
    # movies, video and documents a few seconds to draw.
    before="black"
    for lesson in $(seq "$lessons"); do
        deadline=$((SECONDS + 8))
        while [ "$(centre)" = "$before" ] && [ $SECONDS -lt $deadline ]; do
            kill -0 $pid 2>/dev/null || { echo "the player ended early" >&2; exit 1; }
            sleep 0.2
        done
        # A lesson program may still be starting behind the bare panel (white at its corner and
        # below the caption): the first Windows one waits for wine to set itself up.
        deadline=$((SECONDS + 30))
        while [ "$(bare_panel)" = "FFFFFF FFFFFF" ] && [ $SECONDS -lt $deadline ]; do sleep 0.5; done
        sleep 3
        shot=$(printf "%s/lesson-%02d.png" "$outdir" "$lesson")
        # import reads the tool windows right, where xwd shows them black.
        import -window root png:"$shot"
        echo "$shot"
        before=$(centre)
        window=$(xdotool search --onlyvisible --pid $pid --name "Lumivo" | head -n 1)
        xdotool windowactivate --sync "$window" key Next
    done
    window=$(xdotool search --onlyvisible --pid $pid --name "Lumivo" | head -n 1)
    xdotool windowactivate --sync "$window" key alt+F4 || true
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null || true
    rm -rf "$TMPDIR"
' "$bundle" "$outdir" "${3:-1}"
