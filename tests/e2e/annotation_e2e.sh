#!/usr/bin/env bash
# End-to-end cases of the screen annotation over picture and web page lessons, driven with the
# player's shortcuts and xdotool's button presses, checked on the screen (see lib.sh for how
# they run). Cases: pen pen_composited pen_scaled rubber circle put_away control_mode restacking
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

readonly OVERLAY_NAME="kelPlayer annotation overlay"

overlay_mapped() {
    local w
    w=$(xdotool search --name "^$OVERLAY_NAME\$" 2>/dev/null | head -1)
    [ -n "$w" ] && xwininfo -id "$w" | grep -q 'Map State: IsViewable'
}
overlay_unmapped() { ! overlay_mapped; }

# Starts the player on a blue and a green picture and takes the keyboard.
start_on_pictures() {
    build_bundle "$WORK/marks" blue.bmp green.bmp
    start_player "$WORK/marks"
    await_first_lesson $BLUE
    activate "$MAIN_TITLE"
}

# Chooses a tool by its shortcut; the first one maps the overlay, which must be there before
# the mouse is pressed.
choose() {
    xdotool key "$1"
    wait_until "the overlay to take the mouse" 10 overlay_mapped
}

drag() {
    xdotool mousemove "$1" "$2" mousedown 1
    shift 2
    while [ $# -gt 0 ]; do
        xdotool mousemove "$1" "$2"
        shift 2
    done
    xdotool mouseup 1
}

screenshot() { root_xwd | convert xwd:- png:"$WORK/$1.png"; }

# count_exact X Y W H RRGGBB: pixels of that area of exactly that colour.
count_exact() {
    root_xwd | convert xwd:- -crop "$3x$4+$1+$2" +repage \
        -fill '#FF00FF' -opaque "#$5" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' \
        -format '%[fx:round(mean*w*h)]' info:
}

expect_count() {
    local got
    got=$(count_exact "$1" "$2" "$3" "$4" "$5")
    [ "$got" = "$6" ] || fail "$7: $got pixels of #$5 in $3x$4+$1+$2, not $6"
}

# ---- the cases ----

case_pen() {
    start_on_pictures
    choose ctrl+x
    xdotool mousemove 300 300 mousedown 1 mousemove 400 300
    wait_until "the stroke while the button is down" 10 is_colour 350 300 $RED
    xdotool mousemove 500 300
    wait_until "the stroke's second segment while the button is down" 10 is_colour 450 300 $RED
    screenshot pen-pressed
    xdotool mouseup 1
    log "the stroke shows before the button is released"

    # Five pixels across, and nothing blended at its edges: red or the lesson's blue only.
    expect_count 400 280 1 40 $RED 5 "across the stroke"
    local red blue
    red=$(count_exact 290 290 220 21 $RED)
    blue=$(count_exact 290 290 220 21 $BLUE)
    [ $((red + blue)) = $((220 * 21)) ] || fail "blended pixels at the stroke's edges"
    log "a red stroke 5 pixels wide, $red pixels, no blended edge"

    # The marks are shown in parts of 256 x 256 pixels: this dot lies on the corner of four.
    xdotool mousemove 512 512 click 1
    wait_until "the dot" 10 is_colour 512 512 $RED
    # A disc of diameter 5: the 5 x 5 square without its corners.
    expect_count 502 502 21 21 $RED 21 "the dot"
    is_colour 510 510 $BLUE || fail "the dot has square corners"
    screenshot pen
    log "a click leaves a round dot of 21 pixels"
    close_player || fail "the player ended with status $?"
}

# On a display that Qt scales to 200 % (2048 x 1536 pixels, 1024 x 768 of the player's): the
# marks are where the mouse is, over the whole screen, and the pen is twice as wide.
case_pen_scaled() {
    export QT_SCALE_FACTOR=2
    start_on_pictures
    choose ctrl+x
    drag 600 600 1000 600
    drag 1500 1300 1900 1300
    wait_until "the stroke in the lower right quarter" 10 is_colour 1700 1300 $RED
    screenshot pen_scaled
    expect_count 800 580 1 40 $RED 10 "across the first stroke"
    expect_count 1700 1280 1 40 $RED 10 "across the second stroke"
    log "strokes 10 pixels wide where the mouse drew them, in both halves of the screen"
    close_player || fail "the player ended with status $?"
}

compositor_running() { xwininfo -root -children | grep -q '"xcompmgr"'; }

# The same under a compositing manager: only the marks are seen there too.
case_pen_composited() {
    xcompmgr >/dev/null 2>&1 &
    local compositor=$!
    wait_until "the compositor" 10 compositor_running
    case_pen
    kill -0 $compositor 2>/dev/null || fail "the compositor ended"
    kill $compositor
}

# The rubber's two squares erased from the block, and nothing else.
expect_erased() {
    expect_count 442 412 16 16 $BLUE 256 "the first square, $1"
    expect_count 504 417 16 16 $BLUE 256 "the second square, $1"
    expect_count 300 398 401 44 $BLUE 512 "the block after erasing, $1"
    is_colour 400 420 $RED || fail "the press erased"
}

case_rubber() {
    start_on_pictures
    choose ctrl+x
    # A solid red block, rows 398 to 441, from overlapping strokes.
    local y
    for ((y = 400; y < 440; y += 3)); do
        drag 300 $y 700 $y
    done
    wait_until "the block" 10 is_colour 700 441 $RED
    expect_count 300 398 401 44 $RED $((401 * 44)) "the block before erasing"

    xdotool key ctrl+r
    # The press erases nothing; each reported position erases its square, the jump between
    # them nothing. The second square straddles an edge between parts of the marks' window.
    # Erased while the button is down, and the same after the release.
    xdotool mousemove 400 420 mousedown 1 mousemove 450 420 mousemove 512 425
    wait_until "the second square" 10 is_colour 512 425 $BLUE
    screenshot rubber
    expect_erased "while the button is down"
    xdotool mouseup 1
    expect_erased "after the release"
    log "the rubber erased two 16 x 16 squares and nothing else"
    close_player || fail "the player ended with status $?"
}

case_circle() {
    start_on_pictures
    choose ctrl+c
    drag 500 400 510 405 530 440
    wait_until "the ring" 10 is_colour 540 400 $RED
    screenshot circle
    local point
    for point in "540 400" "460 400" "500 360" "500 440"; do
        # shellcheck disable=SC2086
        is_colour $point $RED || fail "no ring at $point"
    done
    for point in "500 400" "520 400" "510 400" "546 400"; do
        # shellcheck disable=SC2086
        is_colour $point $BLUE || fail "a mark at $point, inside or outside the ring"
    done
    # The ring of radius 40 drawn with a 5-pixel pen: about pi * (42.5^2 - 37.5^2) pixels.
    local ring
    ring=$(count_exact 440 340 121 121 $RED)
    if [ "$ring" -lt 1200 ] || [ "$ring" -gt 1320 ]; then
        fail "the ring has $ring pixels"
    fi
    log "a drag 30 right and 40 down left a hollow ring of radius 40 ($ring pixels)"
    close_player || fail "the player ended with status $?"
}

case_put_away() {
    start_on_pictures
    choose ctrl+x
    drag 200 200 400 200
    wait_until "the stroke" 10 is_colour 300 200 $RED
    xdotool key ctrl+v
    wait_until "the marks to be put away" 10 is_colour 300 200 $BLUE
    xdotool key ctrl+v
    wait_until "the marks to come back" 10 is_colour 300 200 $RED
    log "Ctrl+V puts the marks away and shows them again"
    xdotool key ctrl+v
    wait_until "the marks to be put away" 10 is_colour 300 200 $BLUE
    xdotool mousemove 700 600 click 1
    wait_until "a press to bring the marks back" 10 is_colour 300 200 $RED
    is_colour 700 600 $RED || fail "the press left no dot"
    log "a press brings the marks back"

    xdotool key Next
    expect_centre $GREEN
    wait_until "the marks to be cleared" 10 is_colour 300 200 $GREEN
    expect_count 0 0 900 768 $RED 0 "marks after Page Down"
    screenshot put-away
    log "Page Down cleared the marks"
    close_player || fail "the player ended with status $?"
}

# The page counts the clicks that reach it: its colour names the count and whether the last one
# was right of the middle, so that the colour after two clicks on the right is reached only if
# no click in between reached the page.
case_control_mode() {
    cat >"$WORK/lessons/page.html" <<'EOF'
<!DOCTYPE html><html><head><meta charset="utf-8"><style>html,body{margin:0;height:100%}</style>
</head><body style="background:#FFFF00"><script>
var colours = ["#FFFF00", "#FFFF00", "#806000", "#30C0A0", "#805000", "#A030C0", "#804000", "#C06030"];
var clicks = 0;
document.addEventListener("mousedown", function (e) {
  clicks++;
  document.body.style.background = colours[Math.min(clicks, 3) * 2 + (e.clientX > 512 ? 1 : 0)];
});
</script></body></html>
EOF
    build_bundle "$WORK/page" page.html
    start_player "$WORK/page"
    wait_until "the page" 30 is_colour 700 600 FFFF00
    activate "$MAIN_TITLE"

    choose ctrl+x
    drag 200 300 400 300
    wait_until "the stroke" 10 is_colour 300 300 $RED
    is_colour 700 600 FFFF00 || fail "the pen's press reached the page"
    xdotool key ctrl+z
    wait_until "the overlay to go" 10 overlay_unmapped

    xdotool mousemove 700 600 click 1
    wait_until "the page to take a click" 20 is_colour 700 600 30C0A0
    # A press on a drawn pixel goes to the annotation (the surface passes it to the overlay,
    # which marks with the last tool), not to the page.
    xdotool mousemove 300 302 click 1
    wait_until "the dot on the stroke's edge" 10 is_colour 300 304 $RED
    xdotool mousemove 800 600 click 1
    wait_until "the page to take its second click" 20 is_colour 700 600 A030C0
    screenshot control-mode
    log "in control mode clicks reach the page, except on drawn pixels"
    close_player || fail "the player ended with status $?"
}

# Another program's window mapped while a tool is chosen lies above the overlay, which stays
# directly above the player window: that window takes its own clicks, the lesson around it
# still takes marks.
case_restacking() {
    start_on_pictures
    choose ctrl+x
    xlogo -geometry 200x200+600+100 &
    local logo=$!
    wait_until "the other window" 10 is_not_colour 700 200 $BLUE
    local before
    before=$(colour_at 700 200)
    drag 650 200 750 200
    drag 200 500 400 500
    wait_until "the stroke beside the other window" 10 is_colour 300 500 $RED
    is_colour 700 200 "$before" || fail "the drag over the other window was taken as a mark"
    screenshot restacking
    kill $logo
    log "a window mapped over the player takes its own clicks; the lesson takes marks"
    close_player || fail "the player ended with status $?"
}

e2e_main "$@"
