#!/usr/bin/env bash
# Plays a bundle under a private Xvfb display with a window manager, waits until the player's
# window is up and has drawn, saves a screenshot of the whole screen, then closes the player.
# Usage: play-headless.sh BUNDLE SCREENSHOT.png
set -euo pipefail
bundle=$1
shot=$2
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    openbox >/dev/null 2>&1 &
    export TMPDIR=$(mktemp -d)
    "$0" &
    pid=$!
    deadline=$((SECONDS + 20))
    until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] || { echo "player window did not appear" >&2; kill $pid; exit 1; }
        kill -0 $pid 2>/dev/null || { echo "player ended early" >&2; exit 1; }
        sleep 0.2
    done
    # Give the first lesson a moment to be painted after the window maps.
    sleep 1
    xwd -root -silent | convert xwd:- png:"$1"
    xdotool search --pid "$pid" | while read -r w; do xdotool windowclose "$w" 2>/dev/null || true; done
    for _ in $(seq 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill $pid 2>/dev/null || true
    rm -rf "$TMPDIR"
' "$bundle" "$shot"
