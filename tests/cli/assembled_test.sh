#!/usr/bin/env bash
# Bundles put together by hand from a "kelpack pack" package and a written catalogue, so that
# entries can name what the builder would refuse: extraction goes on past a bad entry, names
# it, and ends with a failure status.
# shellcheck source=tests/cli/lib.sh
source "$(dirname "$0")/lib.sh"

src=$work/src
mkdir -p "$src/web/css" "$src/empty"
printf 'first lesson\n' >"$src/a.txt"
head -c 70000 /dev/urandom >"$src/b.bin"
printf '<h1>web</h1>\n' >"$src/web/index.html"
printf 'body{}\n' >"$src/web/css/site.css"
run 0 "$kelpack" pack "$src" -o "$work/main.ept"
has "$work/out" "4 items"

# Top-level items in name order: a.txt, b.bin, empty, web.
catalogue "$work/catalogue.xml" 0:-1 7:-1 3:True 1:maybe 1:0 2:-1
bundle=$work/bundle.bin
assemble "$bundle" "$player" "$work/main.ept" "$work/catalogue.xml"

run 1 "$kelpack" list "$bundle"
has "$work/out" "[3] web: folder web, shown file index.html, 2 items" \
    "[0] css: folder css, shown file site.css, 1 items" \
    "1  ID 0, System -1: main [0] a -> a.txt" \
    "2  ID 7, System -1: error: List index out of bounds (7)" \
    "3  ID 3, System True: main [3] web -> web/index.html" \
    "4  ID 1, System maybe: error: 'maybe' is not a valid boolean value" \
    "5  ID 1, System 0: error: List index out of bounds (1): the bundle has no second package" \
    "6  ID 2, System -1: main [2] empty; error: the folder item has no safe names for its folder and shown file (\"src\\empty\\\", \"\")"
has "$work/err" "kelpack: $bundle: entry 2: List index out of bounds (7)"
run 1 "$kelpack" info --json "$bundle"
has "$work/out" '"unresolved": 4' "\"$bundle: entry 4: 'maybe' is not a valid boolean value\""

out=$work/out-dir
run 1 "$kelpack" extract "$bundle" -o "$out"
has "$work/err" \
    "kelpack: $bundle: entry 2: List index out of bounds (7)" \
    "kelpack: $bundle: entry 4: 'maybe' is not a valid boolean value" \
    "kelpack: $bundle: entry 5: List index out of bounds (1): the bundle has no second package" \
    "kelpack: $bundle: entry 6: the folder item has no safe names" \
    "kelpack: $bundle: 4 of 6 lessons could not be unpacked"
cmp "$src/a.txt" "$out/a.txt"
diff -r "$src/web" "$out/web"
[ "$(ls "$out" | tr '\n' ' ')" = "a.txt web " ] || fail "unpacked: $(ls "$out")"

# Naming a good entry alone succeeds; a number past the end is an error, not a usage slip.
run 0 "$kelpack" extract "$bundle" -o "$work/one" 1
cmp "$src/a.txt" "$work/one/a.txt"
run 1 "$kelpack" extract "$bundle" -o "$work/none" 9
has "$work/err" "kelpack: $bundle: no entry 9: the catalogue has 6 entries"

# A package with a foreign signature reads as empty, as in the player, and says why.
cp "$work/main.ept" "$work/other.ept"
printf 'EPT_Other!' | dd of="$work/other.ept" conv=notrunc status=none
assemble "$work/other.bin" "$player" "$work/other.ept" "$work/catalogue.xml"
run 1 "$kelpack" extract "$work/other.bin" -o "$work/other" 1
has "$work/err" "main package at $(size_of "$player"): the signature is \"EPT_Other!\", not \"EPT_Korvat\"" \
    "entry 1: List index out of bounds (0): the main package could not be read"
echo "PASS"
