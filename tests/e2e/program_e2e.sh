#!/usr/bin/env bash
# End-to-end cases of lesson programs (see lib.sh for how they run): a native program and a
# Windows program under wine taken into the player, a program that never opens a window, and a
# file that cannot be started. Each is checked on the screen and in the process table.
# Cases: native_program windows_program program_without_window not_a_program
# The sample programs come from the build: X11_LESSON and WINDOWS_LESSON name them.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

readonly TEAL=208080 PURPLE=603090
readonly SKIP=77

# The processes named NAME that have not ended. A Windows program is not our child (wine starts
# it through a double fork), so once ended it waits as a zombie for init to release it.
live_processes() { ps -eo stat=,pid=,pgid=,comm= | awk -v name="$1" '$1 !~ /^Z/ && $4 == name'; }
no_live_process() { [ -z "$(live_processes "$1")" ]; }

shot() {
    root_xwd | convert xwd:- png:"$WORK/$1.png"
    log "screenshot: $WORK/$1.png"
}

# The program's window fills the screen with its colour (a white square in its middle), without a
# title bar, its "TTarnButton"s
# (red at 36 pixels from the right edge, yellow over orange at 90) hidden and the blue
# "TLessonButton" at 63 left; the probes run at y = 16.
expect_program_window() {
    local colour=$1 x y
    for x in 2 300 940; do
        for y in 2 300 760; do
            is_colour $x $y "$colour" || fail "($x, $y) is $(colour_at $x $y), not the program's $colour"
        done
    done
    is_colour $((1024 - 36)) 16 "$colour" || fail "the TTarnButton at 36 is still shown"
    is_colour $((1024 - 90)) 16 "$colour" || fail "a TTarnButton at 90 is still shown"
    is_colour $((1024 - 63)) 16 $BLUE || fail "the other button at 63 is not shown"
    log "the program fills the screen without a title bar; TTarnButtons hidden, the other kept"
}

# The keyboard focus is in the player's window (or a window inside it).
player_focused() {
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null) || return 1
    while [ "$focus" != 0 ]; do
        xdotool search --pid "$PLAYER_PID" 2>/dev/null | grep -qx "$focus" && return 0
        focus=$(xwininfo -children -id "$focus" 2>/dev/null |
            sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
        [ -n "$focus" ] || return 1
        focus=$((focus))
    done
    return 1
}

# The program's window took the focus when it opened; the player takes it back. Page Down with the
# pointer over the program's window then reaches the player, not the program.
next_lesson_over_program() {
    wait_until "the player to take the keyboard focus back" 5 player_focused
    xdotool mousemove 512 384 key Next
    expect_centre $GREEN
}

case_native_program() {
    cp "$X11_LESSON" "$WORK/lessons/native.exe"
    build_bundle "$WORK/bundle" native.exe green.bmp
    start_player "$WORK/bundle"
    wait_until "the program's window in the player" 15 is_colour 300 300 $TEAL
    wait_until "the program's buttons to be hidden" 5 is_colour $((1024 - 36)) 16 $TEAL
    shot native-program
    expect_program_window $TEAL
    local process
    process=$(live_processes native.exe)
    log "process table: $process"
    read -r _ pid pgid _ <<<"$process"
    [ "$pid" = "$pgid" ] || fail "the program is not the leader of a process group of its own"
    [ "$pgid" != "$(ps -o pgid= -p "$PLAYER_PID" | tr -d ' ')" ] || fail "the program shares the player's group"

    next_lesson_over_program
    no_live_process native.exe || fail "the program still runs: $(live_processes native.exe)"
    [ -z "$(ps -eo comm= | grep -x native.exe)" ] || fail "the program was left unreleased"
    shot native-next
    log "after Page Down the next lesson shows and no process of the program is left"
    close_player || fail "the player ended with status $?"
}

case_windows_program() {
    if ! command -v wine >/dev/null || [ ! -f "$WINDOWS_LESSON" ]; then
        echo "SKIPPED: wine or the Windows sample program (built with mingw-w64) is missing;" \
            "scripts/install-deps.sh installs both" >&2
        exit $SKIP
    fi
    cp "$WINDOWS_LESSON" "$WORK/lessons/windows.exe"
    build_bundle "$WORK/bundle" windows.exe green.bmp
    # A user who has never run wine: the prefix is made first, with nobody to answer dialogs.
    export HOME=$WORK/home
    mkdir -p "$HOME"
    start_player "$WORK/bundle"
    wait_until "the Flash panel's caption while wine starts" 15 caption_shown
    shot windows-waiting
    wait_until "the program's window in the player" 60 is_colour 300 300 $PURPLE
    log "the program showed $(($(now_ms) - START_MS)) ms after the player's start, in a new prefix"
    wait_until "the program's buttons to be hidden" 5 is_colour $((1024 - 36)) 16 $PURPLE
    shot windows-program
    expect_program_window $PURPLE
    [ -d "$HOME/.wine/drive_c" ] || fail "no wine prefix was made in the new home"
    ! xdotool search --name 'Wine (Mono|Gecko)' >/dev/null 2>&1 || fail "wine asked about Mono or Gecko"
    log "process table: $(live_processes windows.exe) / helper $(live_processes kelwinehost.exe)"
    [ -n "$(live_processes windows.exe)" ] || fail "the program does not run"

    next_lesson_over_program
    wait_until "the program to end" 10 no_live_process windows.exe
    wait_until "the helper to end" 10 no_live_process kelwinehost.exe
    shot windows-next
    log "after Page Down the next lesson shows; the program and the helper have ended"
    close_player || fail "the player ended with status $?"
    # The prefix's own wine processes end by themselves a few seconds later; waiting for them
    # leaves nothing behind for the next case's display.
    WINEPREFIX=$HOME/.wine timeout 30 wineserver -w || log "wine's own processes are still running"
}

# A program that never opens a window, and a child it started: the six polls pass, the Flash
# panel stays, and the next lesson ends both.
case_program_without_window() {
    printf '#include <unistd.h>\nint main(void) { fork(); for (;;) pause(); }\n' |
        cc -x c -o "$WORK/lessons/idle.exe" -
    build_bundle "$WORK/bundle" idle.exe green.bmp
    start_player "$WORK/bundle"
    wait_until "the program and its child" 10 bash -c '[ "$(ps -eo comm= | grep -cx idle.exe)" = 2 ]'
    wait_until "the Flash panel's caption" 10 caption_shown
    log "process table: $(live_processes idle.exe | tr '\n' ';')"
    # Well past the six polls: the program is left running, separately.
    sleep 2
    [ "$(live_processes idle.exe | wc -l)" = 2 ] || fail "the program ended before the next lesson"
    shot no-window
    next_lesson_over_program
    no_live_process idle.exe || fail "left running: $(live_processes idle.exe)"
    log "the next lesson ended the program and the child it started"
    close_player || fail "the player ended with status $?"
}

case_not_a_program() {
    printf 'echo not a program\n' >"$WORK/lessons/lesson.exe"
    build_bundle "$WORK/bundle" green.bmp lesson.exe red.bmp
    start_player "$WORK/bundle"
    await_first_lesson $GREEN
    activate "$MAIN_TITLE"
    xdotool key Next
    wait_until "the Flash panel's caption" 10 caption_shown
    expect_no_report
    [ -z "$(ps -eo comm= | grep -x lesson.exe)" ] || fail "the file was started"
    shot not-a-program
    log "the Flash panel's caption shows, no message, nothing started"
    xdotool key Next
    expect_centre $RED
    close_player || fail "the player ended with status $?"
}

e2e_main "$@"
