#!/usr/bin/env bash
# End-to-end cases of the floating toolbar over picture lessons (see lib.sh for how they run).
# Cases: toolbar_at_edge toolbar_steps toolbar_withdraws toolbar_mark_mouse toolbar_to_front
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

readonly TOOLBAR_TITLE="工具栏"
# Out on a 1024 x 768 screen the toolbar covers 979..1023 x 153..613; its strip is 1021..1023.
readonly LEFT=979 TOP=153 STRIP=1021
readonly FRAME=404652  # the frame's outer edge
# Button centres: a button is 39 x 38, the first at 982, 156.
readonly BUTTON_X=1001 PREVIOUS_Y=175 NEXT_Y=213

toolbar_window() {
    local w
    for w in $(xdotool search --pid "$PLAYER_PID" 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$TOOLBAR_TITLE" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
toolbar_out() { is_colour $LEFT 384 $FRAME && is_not_colour $BUTTON_X $NEXT_Y "$1"; }
toolbar_withdrawn() {
    is_colour $STRIP 384 $FRAME && is_colour $LEFT 384 "$1" && is_colour $BUTTON_X $NEXT_Y "$1"
}

# ImageMagick's import reads the screen as it is; xwd shows some of the player's windows black.
screenshot() { import -window root "$WORK/$1.png"; }

start_on_pictures() {
    start_player "$WORK/bundle"
    await_first_lesson $RED
    wait_until "the toolbar out at the right edge" 10 toolbar_out $RED
}

# ---- the cases ----

case_toolbar_at_edge() {
    start_on_pictures
    activate "$MAIN_TITLE"
    wait_until "the toolbar out over the focused full-screen player" 10 toolbar_out $RED
    screenshot toolbar
    log "screenshot: $WORK/toolbar.png"

    local window geometry
    window=$(toolbar_window)
    [ -n "$window" ] || fail "no toolbar window"
    geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ \
        {y=$4} /Width/ {w=$2} /Height/ {h=$2} END {print x "," y " " w "x" h}')
    [ "$geometry" = "$LEFT,$TOP 45x461" ] || fail "the toolbar stands at $geometry"

    # The frame and the pictures are seen; the flat face between them shows the lesson.
    local x y
    for x in $LEFT 980 981 1023; do
        is_not_colour "$x" 384 $RED || fail "no frame at $x,384"
    done
    for y in 160 250 384 500 610; do
        is_colour 983 "$y" $RED || fail "the flat face at 983,$y hides the lesson"
    done
    for y in $PREVIOUS_Y $NEXT_Y 251 289 327 365 403 441 479 517 555 593; do
        is_not_colour $BUTTON_X "$y" $RED || fail "no button picture at $BUTTON_X,$y"
    done

    # No window of the player has a taskbar entry; the toolbar keeps above.
    local states
    states=$(xprop -id "$window" _NET_WM_STATE)
    [[ $states == *_NET_WM_STATE_SKIP_TASKBAR* && $states == *_NET_WM_STATE_ABOVE* ]] ||
        fail "toolbar: $states"
    states=$(xprop -id "$(window_titled "$MAIN_TITLE")" _NET_WM_STATE)
    [[ $states == *_NET_WM_STATE_SKIP_TASKBAR* ]] || fail "player window: $states"
    log "the toolbar is out at $geometry, seen only where it draws, off the taskbar"
    close_player || fail "the player ended with status $?"
}

case_toolbar_steps() {
    start_on_pictures
    xdotool mousemove $BUTTON_X $NEXT_Y click 1
    expect_centre $GREEN
    xdotool mousemove $BUTTON_X $NEXT_Y click 1
    expect_centre $BLUE
    xdotool mousemove $BUTTON_X $PREVIOUS_Y click 1
    expect_centre $GREEN
    log "Next, Next and Previous on the toolbar stepped through the lessons"
    expect_no_report
    close_player || fail "the player ended with status $?"
}

case_toolbar_withdraws() {
    start_on_pictures
    # Before the mouse has been over it, the toolbar stays out wherever the mouse is.
    xdotool mousemove 500 384
    ! wait_for "the toolbar to withdraw" 2 toolbar_withdrawn $RED ||
        fail "the toolbar withdrew before the mouse had been over it"

    # Over the frame and away: it withdraws to its strip within the check's 500 ms.
    xdotool mousemove 980 400
    xdotool mousemove 500 384
    local left
    left=$(now_ms)
    wait_until "the toolbar to withdraw" 5 toolbar_withdrawn $RED
    log "withdrew $(($(now_ms) - left)) ms after the mouse left"
    is_colour $((STRIP - 1)) 384 $RED || fail "more than 3 columns of the toolbar stay out"
    screenshot withdrawn

    # The mouse at the screen's right edge is on the strip: it comes back at once.
    xdotool mousemove 1023 300
    wait_until "the toolbar to come back" 5 toolbar_out $RED
    # While the mouse is inside it, it stays out.
    xdotool mousemove $BUTTON_X 600
    ! wait_for "the toolbar to withdraw" 2 toolbar_withdrawn $RED ||
        fail "the toolbar withdrew with the mouse over it"
    log "it came back on the strip and stays out while the mouse is over it"
    close_player || fail "the player ended with status $?"
}

# WM_MARKMOUSE from another program replays a press and a release at the screen's top left:
# with the pen that leaves a dot there, and marks put away come back.
case_toolbar_mark_mouse() {
    start_on_pictures
    activate "$MAIN_TITLE"
    xdotool key Next
    expect_centre $GREEN
    xdotool key ctrl+x
    xdotool mousemove 100 300 mousedown 1 mousemove 200 300 mouseup 1
    wait_until "the pen's line" 10 is_colour 150 300 $RED
    xdotool key ctrl+v
    wait_until "the line put away" 10 is_colour 150 300 $GREEN
    is_colour 1 1 $GREEN || fail "a mark at the top left before any message"

    local window
    window=$(toolbar_window) || fail "no toolbar window"
    "$SEND_MARK_MOUSE" "$window" 513 514 || fail "WM_MARKMOUSE could not be sent"
    wait_until "a dot at the top left" 10 is_colour 1 1 $RED
    wait_until "the line shown again" 10 is_colour 150 300 $RED
    is_colour 6 6 $GREEN || fail "the dot is wider than the pen"
    log "WM_MARKMOUSE 513, 514 left a dot at 0,0 and showed the marks put away"
    close_player || fail "the player ended with status $?"
}

# Another program's unmanaged window covers the toolbar, as a pop-up would, and stays above it.
# A click on a picture lesson leaves it there; a click on the bare Flash panel (a lesson that is
# not a program shows only the panel's caption) brings the toolbar in front of it.
case_toolbar_to_front() {
    printf 'echo not a program\n' >"$WORK/lessons/lesson.exe"
    build_bundle "$WORK/bundle" red.bmp lesson.exe
    start_on_pictures
    activate "$MAIN_TITLE"
    xlogo -geometry 200x560+900+100 -bg "#$BLUE" -fg "#$BLUE" -xrm '*overrideRedirect: true' &
    local cover=$!
    wait_until "the window over the toolbar" 10 is_colour $LEFT 384 $BLUE
    is_colour $BUTTON_X $NEXT_Y $BLUE || fail "the toolbar's buttons show over the window"

    xdotool mousemove 300 300 click 1
    ! wait_for "the toolbar to come to the front" 2 toolbar_out $BLUE ||
        fail "a click on a picture brought the toolbar to the front"
    xdotool key Next
    wait_until "the Flash panel's caption" 10 caption_shown
    is_colour $LEFT 384 $BLUE || fail "the toolbar came to the front with the next lesson"
    screenshot covered

    xdotool mousemove 300 300 click 1
    wait_until "the toolbar in front of the window" 5 toolbar_out $BLUE
    screenshot in_front
    log "a click on the bare Flash panel brought the toolbar in front of the other window"
    kill "$cover"
    expect_no_report
    close_player || fail "the player ended with status $?"
}

e2e_main "$@"
