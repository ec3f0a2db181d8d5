#!/usr/bin/env bash
# End-to-end cases of the writing board, Help and About (see lib.sh for how they run).
# Cases: board board_animation help_without_segment help_with_segment about
# Help and About are commands of the toolbar: their cases click its buttons and are skipped
# (status 77) while the player shows no toolbar.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

readonly BOARD_TITLE="电子板书" TOOLBAR_TITLE="工具栏"
readonly HELP_CAPTION="提示" HELP_TEXT="包中没有应用指南" ABOUT_CAPTION="关于 $APP_TITLE"
# The banner's rows, top to bottom; lowered they are the screen's last six rows, raised the
# board's top is 768 - 109 = 659.
readonly BANNER=(A3B9CC A3B9CC A6BCCE ABBFD0 B0C3D3 B5C6D6)
readonly LOWERED_TOP=762 RAISED_TOP=659
# The toolbar's Help and About buttons (tenth and eleventh, 38 pixels apart, the first at 175).
readonly BUTTON_X=1001 HELP_Y=517 ABOUT_Y=555 TOOLBAR_STRIP_X=1022

# bundle_with_notes OUT [HELP]: red, green and blue pictures with notes; green is an animation.
bundle_with_notes() {
    local help=""
    [ -n "${2:-}" ] && help="\"help\": \"$2\","
    cat >"$WORK/lessons/notes.json" <<EOF
{$help "lessons": [
  {"file": "red.bmp", "attributes": {"Writing": "第一课　三角形的内角和等于一百八十度。\r\n第二行板书：勾股定理。"}},
  {"file": "green.bmp", "attributes": {"style": "动画", "Writing": "动画课的板书不显示"}},
  {"file": "blue.bmp"}
]}
EOF
    "$KELPACK" build "$WORK/lessons/notes.json" --player "$WORK/kelPlayer" -o "$1" >/dev/null
}

# The six banner rows start at TOP, across the whole width.
banner_at() {
    local row x
    for row in 0 1 2 3 4 5; do
        for x in 0 511 1023; do
            is_colour $x $(($1 + row)) "${BANNER[row]}" || return 1
        done
    done
}
board_lowered() { banner_at $LOWERED_TOP && is_colour 512 700 "$1"; }
board_raised() { banner_at $RAISED_TOP && is_colour 512 740 FFFFFF; }
# Dark pixels of the notes in the board's text box. The screen is read with ImageMagick's import:
# xwd shows the player's unmanaged windows black.
notes_pixels() {
    import -window root png:- | convert - -crop 1008x94+8+668 +repage -fuzz 12% \
        -fill '#FF00FF' -opaque '#000000' -fill black +opaque '#FF00FF' \
        -fill white -opaque '#FF00FF' -format '%[fx:round(mean*w*h)]' info:
}
has_notes() { [ "$(notes_pixels)" -ge 150 ]; }

screenshot() { import -window root "$WORK/$1.png" && log "screenshot: $WORK/$1.png"; }

# The player's visible window with exactly this title (xdotool's --name takes a pattern that does
# not hold for Chinese titles here, so the names are compared one by one).
window_named() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$PLAYER_PID" 2>/dev/null); do
        if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
has_window_named() { [ -n "$(window_named "$1")" ]; }
lacks_window_named() { ! has_window_named "$1"; }
activate_named() {
    timeout 10 xdotool windowactivate --sync "$(window_named "$1")" >/dev/null ||
        fail "could not activate \"$1\""
}

start_on_notes() {
    bundle_with_notes "$WORK/notes" "$@"
    start_player "$WORK/notes"
    await_first_lesson $RED
    wait_until "the lowered board's banner at the bottom" 10 board_lowered $RED
}

# Help and About come from the toolbar; without it nothing reaches them.
require_toolbar() {
    wait_for "the toolbar" 10 has_window_named "$TOOLBAR_TITLE" || {
        log "SKIPPED: the player shows no toolbar, so Help and About cannot be reached"
        exit 77
    }
}

# Brings the toolbar out (the mouse on its strip) and clicks the button at that height.
click_toolbar() {
    xdotool mousemove $TOOLBAR_STRIP_X "$1"
    wait_until "the toolbar out" 5 is_not_colour $BUTTON_X "$1" $RED
    xdotool mousemove $BUTTON_X "$1" click 1
}

# ---- the cases ----

case_board() {
    start_on_notes
    is_colour 512 761 $RED || fail "the lowered board covers more than its banner"
    screenshot lowered
    local window states
    window=$(window_named "$BOARD_TITLE")
    [ -n "$window" ] || fail "no board window"
    states=$(xprop -id "$window" _NET_WM_STATE)
    [[ $states == *_NET_WM_STATE_SKIP_TASKBAR* && $states == *_NET_WM_STATE_ABOVE* ]] ||
        fail "board: $states"
    log "lowered: the banner's six rows along the bottom, off the taskbar, kept above"

    activate "$MAIN_TITLE"
    xdotool key ctrl+w
    wait_until "the raised board" 10 board_raised
    wait_until "the notes on the board" 10 has_notes
    is_colour 512 658 $RED || fail "the raised board reaches above its 109 pixels"
    log "Ctrl+W raised the board with the notes: $(notes_pixels) dark pixels"
    screenshot raised

    xdotool key ctrl+w
    wait_until "the board lowered again" 10 board_lowered $RED
    log "Ctrl+W lowered it again"

    # The banner is a button too, raised or lowered; the player keeps the focus.
    xdotool mousemove 300 $((LOWERED_TOP + 3)) click 1
    wait_until "the board raised by its banner" 10 board_raised
    xdotool mousemove 300 $((RAISED_TOP + 3)) click 1
    wait_until "the board lowered by its banner" 10 board_lowered $RED
    xdotool key ctrl+w
    wait_until "the board raised by Ctrl+W after the banner clicks" 10 board_raised
    log "the banner raised and lowered it; the keys still reach the player"

    # The next lesson lowers the board; a lesson without notes gives an empty board.
    xdotool key space space
    expect_centre $BLUE
    wait_until "the board lowered at the change of lesson" 10 board_lowered $BLUE
    xdotool key ctrl+w
    wait_until "the raised board" 10 board_raised
    [ "$(notes_pixels)" = 0 ] || fail "a lesson without notes shows $(notes_pixels) dark pixels"
    log "a lesson without notes raises an empty board"
    expect_no_report
    close_player || fail "the player ended with status $?"
}

case_board_animation() {
    start_on_notes
    activate "$MAIN_TITLE"
    xdotool key space
    expect_centre $GREEN
    xdotool key ctrl+w
    ! wait_for "the board to rise" 3 board_raised || fail "Ctrl+W raised the board on an animation"
    xdotool mousemove 300 $((LOWERED_TOP + 3)) click 1
    ! wait_for "the board to rise" 3 board_raised || fail "the banner raised the board on an animation"
    board_lowered $GREEN || fail "the board is not lowered"
    log "on an animation lesson Ctrl+W and the banner leave the board lowered"
    close_player || fail "the player ended with status $?"
}

case_help_without_segment() {
    start_on_notes
    require_toolbar
    click_toolbar $HELP_Y
    wait_until "the box \"$HELP_CAPTION\"" 10 has_window_named "$HELP_CAPTION"
    wait_until "the box's text on stderr" 10 grep -qFx "kelPlayer: $HELP_TEXT" "$WORK/stderr.log"
    screenshot no_help
    log "the box \"$HELP_CAPTION\" says \"$HELP_TEXT\""
    activate_named "$HELP_CAPTION"
    xdotool key Return
    wait_until "the box to close" 10 lacks_window_named "$HELP_CAPTION"
    [ ! -e "$WORK/tmp/kelplayer-$UID/Korvat_ZR/应用指南.chm" ] || fail "a help file was written"
    close_player || fail "the player ended with status $?"
}

# The viewer is a stand-in first in PATH: it records what it was given and shows a window, which
# the player maximises.
install_viewer() {
    mkdir -p "$WORK/bin"
    cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$WORK/opened.log"
xlogo -geometry 200x150+10+10
EOF
    chmod +x "$WORK/bin/xdg-open"
    export PATH="$WORK/bin:$PATH"
}

opened_times() { [ "$(wc -l <"$WORK/opened.log" 2>/dev/null || echo 0)" = "$1" ]; }
viewer_maximised() {
    local w
    w=$(xdotool search --onlyvisible --class xlogo 2>/dev/null | head -1)
    [ -n "$w" ] && xprop -id "$w" _NET_WM_STATE | grep -q _NET_WM_STATE_MAXIMIZED_HORZ
}

case_help_with_segment() {
    head -c 300000 /dev/urandom >"$WORK/lessons/guide.chm"
    install_viewer
    start_on_notes guide.chm
    require_toolbar
    local help="$WORK/tmp/kelplayer-$UID/Korvat_ZR/应用指南.chm"
    click_toolbar $HELP_Y
    wait_until "the viewer to be started" 10 opened_times 1
    [ "$(cat "$WORK/opened.log")" = "$help" ] || fail "the viewer was given $(cat "$WORK/opened.log")"
    cmp -s "$help" "$WORK/lessons/guide.chm" || fail "the help file differs from the bundle's"
    wait_until "the viewer's window maximised" 15 viewer_maximised
    screenshot viewer
    log "the help file was unpacked and handed to the viewer, whose window is maximised"

    local before
    before=$(stat -c '%i %Y.%y' "$help")
    click_toolbar $HELP_Y
    wait_until "the viewer to be started again" 10 opened_times 2
    [ "$(stat -c '%i %Y.%y' "$help")" = "$before" ] || fail "the help file was unpacked again"
    log "a second Help opened the same file without unpacking it again"
    expect_no_report
    close_player || fail "the player ended with status $?"
}

case_about() {
    start_on_notes
    require_toolbar
    click_toolbar $ABOUT_Y
    wait_until "the About box" 10 has_window_named "$ABOUT_CAPTION"
    # Its client area, 480 x 300, in the middle of the screen.
    local geometry
    geometry=$(xwininfo -id "$(window_named "$ABOUT_CAPTION")" | awk '/Absolute upper-left X/ {x=$4}
        /Absolute upper-left Y/ {y=$4} /Width/ {w=$2} /Height/ {h=$2} END {print x "," y " " w "x" h}')
    [ "$geometry" = "272,234 480x300" ] || fail "the About box stands at $geometry"
    screenshot about
    log "the About box \"$ABOUT_CAPTION\" at $geometry"
    activate_named "$ABOUT_CAPTION"
    xdotool key Return
    wait_until "the About box to close" 10 lacks_window_named "$ABOUT_CAPTION"
    close_player || fail "the player ended with status $?"
}

e2e_main "$@"
