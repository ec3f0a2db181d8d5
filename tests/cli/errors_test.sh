#!/usr/bin/env bash
# What goes wrong is reported on stderr as "kelpack: ...", naming the file and, where it
# applies, the offset, the lesson or the entry: damaged bundles, faulty manifests, wrong
# command lines.
# shellcheck source=tests/cli/lib.sh
source "$(dirname "$0")/lib.sh"

src=$work/src
mkdir -p "$src/sub" "$src/web"
printf 'a\n' >"$src/a.txt"
printf 'sub a\n' >"$src/sub/a.txt"
printf 'help\n' >"$src/应用指南.chm"
printf 'x\n' >"$src/a:b.txt"
printf '<p>web</p>\n' >"$src/web/index.html"
cd "$src"

# --- Damaged bundles. A sound one first: player, package, catalogue, trailer.
mkdir "$work/pkg"
cp a.txt "$work/pkg/"
run 0 "$kelpack" pack "$work/pkg" -o "$work/main.ept"
catalogue "$work/catalogue.xml" 0:-1
good=$work/good.bin
assemble "$good" "$player" "$work/main.ept" "$work/catalogue.xml"
run 0 "$kelpack" extract "$good" -o "$work/good"
cmp a.txt "$work/good/a.txt"

p=$(size_of "$player")
m=$(size_of "$work/main.ept")
c=$(size_of "$work/catalogue.xml")
total=$(size_of "$good")
trailer=$((total - 80))

damaged() { # NAME: a copy of the sound bundle to damage
    cp "$good" "$work/$1"
    echo "$work/$1"
}
head -c 50 "$good" >"$work/tiny.bin"
{ head -c $((trailer - 100)) "$good"; tail -c 80 "$good"; } >"$work/cut.bin"
patch32 "$(damaged far-main.bin)" "$trailer" 4000000000
patch32 "$(damaged far-help.bin)" $((trailer + 28)) 1000000
patch32 "$(damaged bad-help.bin)" $((trailer + 28)) 16
printf '<root><entry' >"$work/broken.xml"
assemble "$work/bad-xml.bin" "$player" "$work/main.ept" "$work/broken.xml"
catalogue "$work/empty.xml"
assemble "$work/no-entries.bin" "$player" "$work/main.ept" "$work/empty.xml"

# bundle | command | status | text expected on stderr (after "kelpack: <bundle>: ")
while IFS='|' read -r name command status expected; do
    target=()
    if [ "$command" = extract ]; then target=(-o "$work/x-$name"); fi
    run "$status" "$kelpack" "$command" "$work/$name" "${target[@]}"
    has "$work/err" "kelpack: $work/$name: $expected"
done <<CASES
tiny.bin|info|1|file is too small to hold a bundle trailer (50 bytes)
missing.bin|list|1|cannot open: No such file or directory
cut.bin|extract|1|catalogue at $((p + m))+$c lies beyond the end of the file ($((total - 100)) bytes)
far-main.bin|list|1|main package at 4000000000+$m lies beyond the end of the file ($total bytes)
far-main.bin|extract|1|entry 1: List index out of bounds (0): the main package could not be read
far-help.bin|info|1|help segment at $p+1000000 lies beyond the end of the file ($total bytes)
far-help.bin|extract|1|help segment at $p+1000000 lies beyond the end of the file ($total bytes)
bad-help.bin|extract|1|help segment at $p+16: 
bad-xml.bin|list|1|catalogue:1: 
no-entries.bin|extract|1|the catalogue has no entries
CASES
# A bad help segment spoils neither the lessons nor the folder.
cmp a.txt "$work/x-far-help.bin/a.txt"
cmp a.txt "$work/x-bad-help.bin/a.txt"
[ "$(ls "$work/x-bad-help.bin")" = a.txt ] || fail "a damaged help file was left behind"

# --- Faulty manifests, each built with the same player: manifest | text after "m.json: ".
while IFS='|' read -r manifest expected; do
    printf '%s' "$manifest" >m.json
    run 1 "$kelpack" build m.json --player "$player" -o "$work/m.bin"
    has "$work/err" "kelpack: m.json: $expected"
    [ ! -e "$work/m.bin" ] || fail "a bundle was written for: $manifest"
done <<'CASES'
{"lessons": [{"file": "a.txt"}, {"file": "pics/none.bmp"}]}|lesson 2: no such file: pics/none.bmp
{"lessons": [{"folder": "a.txt"}]}|lesson 1: no such folder: a.txt
{"lessons": [{"file": "web"}]}|lesson 1: web is a folder: name it with "folder"
{"lessons": [{"folder": "web", "main": "none.html"}]}|lesson 1: "main" must name a file directly inside web, not "none.html"
{"lessons": [{"file": "a.txt", "package": "third"}]}|lesson 1: "package" must be "main" or "second", not "third"
{"lessons": [{"file": "a.txt"}, {"item": 3}]}|lesson 2: item 3 does not exist: the main package has 1 item(s)
{"lessons": [{"file": "a.txt"}, {"item": 0, "package": "second"}]}|lesson 2: item 0 does not exist: the second package has 0 item(s)
{"lessons": [{"file": "a.txt"}, {"file": "sub/a.txt", "package": "second"}]}|lesson 2: unpacks to "a.txt" like lesson 1; the player would show one file for both
{"lessons": [{"file": "应用指南.chm"}]}|lesson 1: unpacks to "应用指南.chm", a name the player uses for its own files
{"lessons": [{"file": "a:b.txt"}]}|lesson 1: a:b.txt: the name holds "\" or ":", which the player reads as a path separator
{"lessons": [{"file": "a.txt", "compres": false}]}|lesson 1: unknown key "compres"
{"lessons": [{"file": "a.txt", "folder": "web"}]}|lesson 1: a lesson needs exactly one of "file", "folder" and "item"
{"lessons": [{"file": "a.txt", "attributes": {"Style": 3}}]}|lesson 1: attribute "Style" must be a text
{"lessons": [{"file": "a.txt", "attributes": {"bad name": "x"}}]}|item 'a': "bad name" is not a valid attribute name
{"lessons": []}|"lessons" must be a list of at least one lesson
{"lessons": [{"file": "a.txt"}], "help": "guide.chm"}|no such help file: guide.chm
{"lessons": [{"file": "a.txt"}]|not valid JSON: parse error at line 1
CASES
printf '{"lessons": [{"file": "a.txt"}]}' >m.json
run 1 "$kelpack" build m.json --player "$work/none" -o "$work/m.bin"
has "$work/err" "kelpack: $work/none: no such player executable"

# --- Command lines: status 2 and the usage on stderr; help on stdout with status 0.
while IFS='|' read -r status args expected; do
    read -ra argv <<<"$args"
    run "$status" "$kelpack" "${argv[@]}"
    if [ "$status" = 0 ]; then
        has "$work/out" "$expected"
    else
        has "$work/err" "$expected" "usage: kelpack"
    fi
done <<CASES
2||usage: kelpack COMMAND
2|frobnicate|kelpack: unknown command: frobnicate
2|info|kelpack: info: missing argument
2|info $good $good|kelpack: info: unexpected argument: $good
2|list --bogus $good|kelpack: list: unknown option: --bogus
2|build m.json -o $work/m.bin|kelpack: build: missing option --player
2|extract $good -o|kelpack: extract: option -o needs a value
2|extract $good -o $work/y x1|kelpack: extract: not an entry number: x1
2|help nope|kelpack: no such command: nope
0|--help|usage: kelpack COMMAND
0|help extract|usage: kelpack extract BUNDLE -o DIR [ENTRY...]
0|pack --help|usage: kelpack pack DIR -o FILE.ept
CASES
echo "PASS"
