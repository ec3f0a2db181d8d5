#!/usr/bin/env bash
# End-to-end cases of "kelPlayer FILE": Windows bundles (a Windows program image with a bundle
# appended) and their rehost onto our player, refusals of files that carry no bundle, the
# one-instance rule, and the command line (see lib.sh for how they run).
# Cases: windows_bundle rehosted refusals second_start command_line
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The bundle of red, green and blue pictures that prepare() made, on a Windows program image
# padded to the size of the old Windows player: the kind of file teachers have.
make_windows_bundle() {
    bash "$HERE/../cli/windows_image.sh" "$WORK/windows.exe"
    "$KELPACK" build "$WORK/lessons/manifest.json" --player "$WORK/windows.exe" \
        -o "$WORK/课件.exe" >/dev/null
}

# start_player_on FILE: "kelPlayer FILE" in the background.
start_player_on() {
    START_MS=$(now_ms)
    "$WORK/kelPlayer" "$1" 2>>"$WORK/stderr.log" &
    PLAYER_PID=$!
}

private_files() { ls -A "$WORK/tmp/kelplayer-$UID"; }

case_windows_bundle() {
    make_windows_bundle
    start_player_on "$WORK/课件.exe"
    await_first_lesson $RED
    log "the Windows bundle's first lesson after ${STARTUP_MS} ms"
    activate "$MAIN_TITLE"
    xdotool key space
    expect_centre $GREEN
    log "space steps to the next lesson"
    [ -f "$WORK/tmp/kelplayer-$UID/TeachMaterial.xml" ] || fail "no catalogue file while playing"
    close_player || fail "the player ended with status $?"
    local private=$WORK/tmp/kelplayer-$UID
    if [ -e "$private/TeachMaterial.xml" ] || [ -e "$private/Korvat_ZR" ]; then
        fail "work files left after close: $(private_files)"
    fi
    log "closed with status 0; no work files left: $(private_files | tr '\n' ' ')"
}

case_rehosted() {
    make_windows_bundle
    "$KELPACK" rehost "$WORK/课件.exe" --player "$WORK/kelPlayer" -o "$WORK/rehosted" >/dev/null
    "$KELPACK" list "$WORK/课件.exe" >"$WORK/windows.list"
    "$KELPACK" list "$WORK/rehosted" >"$WORK/rehosted.list"
    diff "$WORK/windows.list" "$WORK/rehosted.list" || fail "kelpack list differs"
    start_player "$WORK/rehosted"
    await_first_lesson $RED
    activate "$MAIN_TITLE"
    xdotool key space
    expect_centre $GREEN
    log "the rehosted bundle plays by itself; kelpack list gives the same items and entries"
    close_player || fail "the player ended with status $?"
}

# A file that is no bundle and a missing one: a message box titled with the application title
# names the file and what is wrong, stderr has the same line, the status is 1, and nothing is
# written in the temporary folder.
case_refusals() {
    bash "$HERE/../cli/windows_image.sh" "$WORK/program.exe"
    # A desktop session has a runtime folder; without one Qt makes its own in TMPDIR.
    mkdir -m 700 "$WORK/runtime"
    export XDG_RUNTIME_DIR=$WORK/runtime
    local file expected before
    while IFS='|' read -r file expected; do
        before=$(ls -A "$WORK/tmp")
        start_player_on "$file"
        wait_until "the refusal's box" 15 has_window "$APP_TITLE"
        wait_until "the refusal on stderr" 5 grep -qFx "kelPlayer: $file: $expected" \
            "$WORK/stderr.log"
        activate "$APP_TITLE"
        xdotool key Return
        wait_until "the player to end" 10 player_ended
        local status=0
        wait "$PLAYER_PID" || status=$?
        PLAYER_PID=""
        [ $status = 1 ] || fail "refusing $file ended with status $status, not 1"
        [ "$(ls -A "$WORK/tmp")" = "$before" ] ||
            fail "refusing $file wrote into TMPDIR: $(ls -A "$WORK/tmp")"
        log "refused with status 1: $file: $expected"
    done <<CASES
$WORK/program.exe|carries no lesson bundle: the trailer names no catalogue.
$WORK/none.exe|cannot open: No such file or directory.
CASES
}

# With a player running, "kelPlayer FILE" brings it to the front and ends, as a second start of a
# bundle does.
case_second_start() {
    make_windows_bundle
    start_player_on "$WORK/课件.exe"
    await_first_lesson $RED
    xdotool windowminimize "$(window_titled "$MAIN_TITLE")"
    wait_until "the player to be minimised" 10 is_not_colour 512 384 $RED
    local status=0
    timeout 10 "$WORK/kelPlayer" "$WORK/bundle" >"$WORK/second.out" 2>&1 || status=$?
    [ $status = 0 ] || fail "the second start ended with status $status"
    [ ! -s "$WORK/second.out" ] || fail "the second start printed: $(cat "$WORK/second.out")"
    expect_centre $RED
    player_running || fail "the first player ended"
    log "a second kelPlayer FILE brought the first player back and ended with status 0"
    close_player || fail "the player ended with status $?"
}

# --help and --version answer on stdout; a wrong command line gets the usage on stderr and status
# 2; without a display a refusal is the stderr line alone. No display is needed.
case_command_line() {
    local args status want stream expected
    while IFS='|' read -r args want stream expected; do
        status=0
        # shellcheck disable=SC2086  # the arguments of each case are split on purpose
        env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$WORK/kelPlayer" $args \
            >"$WORK/cl.out" 2>"$WORK/cl.err" || status=$?
        [ "$status" = "$want" ] || fail "kelPlayer $args: status $status, not $want"
        grep -qF -- "$expected" "$WORK/cl.$stream" ||
            fail "kelPlayer $args: $stream lacks \"$expected\": $(cat "$WORK/cl.$stream")"
        log "kelPlayer $args: status $status, $stream: $expected"
    done <<CASES
--help|0|out|usage: kelPlayer [FILE]
-h|0|out|Plays a lesson bundle full-screen
--version|0|out|kelPlayer 0.1
--bogus|2|err|kelPlayer: unknown option: --bogus
$WORK/bundle $WORK/bundle|2|err|kelPlayer: one FILE at a time: $WORK/bundle
$WORK/none.exe|1|err|kelPlayer: $WORK/none.exe: cannot open: No such file or directory.
CASES
    [ -z "$(ls -A "$WORK/tmp")" ] || fail "the command line cases wrote into TMPDIR"
}

export E2E_HEADLESS_CASES="command_line"
e2e_main "$@"
