#!/usr/bin/env bash
# End-to-end cases of the installed Debian package (see lib.sh for how they run): its files, a
# Windows bundle played by the installed player, and a bundle built on the installed player and
# copied into another folder, which finds the player's run-time data in the install prefix.
# .ci/run installs the package and runs these with KELPLAYER and KELPACK from /usr/bin.
# Cases: installed_files installed_windows installed_copy
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The desktop entry is valid and offers the player for Windows programs; the manual pages open;
# the icon and kelpack's completion are where desktops and bash look for them.
case_installed_files() {
    local prefix
    prefix=$(dirname "$(dirname "$PLAYER")")
    local entry=$prefix/share/applications/kelplayer.desktop
    desktop-file-validate "$entry" || fail "desktop-file-validate refused $entry"
    grep -qx 'Exec=kelPlayer %f' "$entry" || fail "the desktop entry does not run kelPlayer %f"
    grep -q '^MimeType=.*application/x-ms-dos-executable;' "$entry" ||
        fail "the desktop entry is not offered for Windows programs"
    local page
    for page in kelPlayer kelpack; do
        man -P cat "$page" 2>/dev/null | grep -q "^NAME" || fail "man $page shows no page"
    done
    local file
    for file in icons/hicolor/scalable/apps/kelplayer.svg icons/hicolor/48x48/apps/kelplayer.png \
        bash-completion/completions/kelpack kelplayer/ruffle/ruffle.js; do
        [ -s "$prefix/share/$file" ] || fail "$prefix/share/$file is missing"
    done
    [ "$(identify -format %wx%h "$prefix/share/icons/hicolor/48x48/apps/kelplayer.png")" = 48x48 ] ||
        fail "the 48x48 icon is not 48 by 48"
    bash -c "source /usr/share/bash-completion/bash_completion && source $prefix/share/bash-completion/completions/kelpack &&
        COMP_WORDS=(kelpack re) COMP_CWORD=1 COMP_LINE='kelpack re' COMP_POINT=10 && _kelpack && [ \"\${COMPREPLY[*]}\" = rehost ]" ||
        fail "completing \"kelpack re\" does not give rehost"
    log "desktop entry valid; man kelPlayer and man kelpack open; icon, completion and data installed"
}

case_installed_windows() {
    bash "$HERE/../cli/windows_image.sh" "$WORK/windows.exe"
    "$KELPACK" build "$WORK/lessons/manifest.json" --player "$WORK/windows.exe" \
        -o "$WORK/课件.exe" >/dev/null
    START_MS=$(now_ms)
    "$PLAYER" "$WORK/课件.exe" 2>>"$WORK/stderr.log" &
    PLAYER_PID=$!
    await_first_lesson $RED
    log "$PLAYER showed the Windows bundle's first lesson after ${STARTUP_MS} ms"
    activate "$MAIN_TITLE"
    xdotool key space
    expect_centre $GREEN
    close_player || fail "the player ended with status $?"
    [ ! -e "$WORK/tmp/kelplayer-$UID/Korvat_ZR" ] || fail "the work folder was left behind"
    log "stepped to the next lesson and closed with status 0"
}

# The bundle's executable lies in a folder of its own, away from the installed player, yet its
# Flash movie plays in the emulator installed with the player.
case_installed_copy() {
    "$MAKE_SWF" "$WORK/lessons/movie.swf" --stage 640 240 --background 1878C8 \
        --rect 0 0 160 120 E02020
    build_bundle "$WORK/bundle" movie.swf red.bmp
    mkdir "$WORK/elsewhere"
    mv "$WORK/bundle" "$WORK/elsewhere/课件"
    start_player "$WORK/elsewhere/课件"
    wait_until "the movie's background" 30 is_colour 512 384 1878C8
    wait_until "the movie's shape" 10 is_colour 128 288 E02020
    log "a Flash movie plays from a bundle built on the installed player and copied elsewhere"
    activate "$MAIN_TITLE"
    xdotool key space
    expect_centre $RED
    close_player || fail "the player ended with status $?"
}

export E2E_HEADLESS_CASES="installed_files"
e2e_main "$@"
