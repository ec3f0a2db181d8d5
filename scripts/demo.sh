#!/usr/bin/env bash
# The main job: installs what is missing, builds, makes the demo bundle from the project's own
# sample lessons, shows what kelpack makes of it, and plays it. With a display the player opens
# there (close it to end); without one it plays every lesson under Xvfb and saves a screenshot of
# each, and all of them on one sheet.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${DEMO_OUT:-$root/demo-out}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
kelpack=$build/cli/kelpack
player=$build/app/kelPlayer

rm -rf "$out"
mkdir -p "$out"
bash "$root/samples/make-samples.sh" "$out/lessons"
"$kelpack" build "$out/lessons/demo.json" --player "$player" -o "$out/demo-player"
chmod +x "$out/demo-player"

echo "== kelpack info =="
"$kelpack" info "$out/demo-player"
echo "== kelpack list =="
"$kelpack" list "$out/demo-player"
echo "== kelpack extract =="
"$kelpack" extract "$out/demo-player" -o "$out/extracted"
ls -l "$out/extracted"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    echo "== playing $out/demo-player on $DISPLAY (close the player to end) =="
    "$out/demo-player"
else
    lessons=$("$kelpack" list --json "$out/demo-player" | grep -c '"number"' || true)
    echo "== playing $out/demo-player under Xvfb, $lessons lessons, one screenshot each =="
    bash "$root/scripts/play-headless.sh" "$out/demo-player" "$out/screenshots" "$lessons"
    montage "$out"/screenshots/lesson-*.png -tile 5x -geometry 256x192+4+4 "$out/screenshots.png"
    echo "all lessons on one sheet: $out/screenshots.png"
fi
