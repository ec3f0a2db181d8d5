#!/usr/bin/env bash
# Plays a bundle under a private Xvfb display with a window manager, waits until the first
# lesson is on the screen, saves a screenshot of the whole screen, then closes the player the way
# a user does (Alt+F4), so it cleans up its temporary files.
# Usage: play-headless.sh BUNDLE SCREENSHOT.png
set -euo pipefail
bundle=$(realpath "$1")
shot=$2
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    openbox --sm-disable >/dev/null 2>&1 &
    # A window mapped while the window manager is still starting can be lost: wait for it.
    deadline=$((SECONDS + 10))
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        [ $SECONDS -lt $deadline ] || { echo "the window manager did not start" >&2; exit 1; }
        sleep 0.1
    done
    export TMPDIR=$(mktemp -d)
    "$0" &
    pid=$!
    # The screen starts black and the player window maps white: the first lesson is on the
    # screen once the centre is neither.
    centre() { xwd -root -silent | convert xwd:- -format "%[pixel:p{512,384}]" info: 2>/dev/null; }
    deadline=$((SECONDS + 20))
    while case "$(centre)" in white | black | "srgb(255,255,255)" | "srgb(0,0,0)" | "") true ;; *) false ;; esac; do
        kill -0 $pid 2>/dev/null || { echo "the player ended early" >&2; exit 1; }
        [ $SECONDS -lt $deadline ] || { echo "no lesson appeared within 20 s" >&2; kill $pid; exit 1; }
        sleep 0.2
    done
    xwd -root -silent | convert xwd:- png:"$1"
    window=$(xdotool search --onlyvisible --name "Lumivo" | head -n 1)
    xdotool windowactivate --sync "$window" key alt+F4 || true
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null || true
    rm -rf "$TMPDIR"
' "$bundle" "$shot"
