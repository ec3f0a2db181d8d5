#!/usr/bin/env bash
# Windows bundles (a Windows program image with a bundle appended): info, list and extract read
# them as any bundle, and "rehost" moves their lessons onto another player executable byte for
# byte, refusing a file that carries no bundle.
# shellcheck source=tests/cli/lib.sh
source "$(dirname "$0")/lib.sh"

windows=$work/windows.exe
bash "$here/windows_image.sh" "$windows"
lessons=$work/lessons
mkdir -p "$lessons/site"
printf 'first lesson\n' >"$lessons/a.txt"
head -c 70000 /dev/urandom >"$lessons/b.bin"
printf '<h1>web</h1>\n' >"$lessons/site/index.html"
head -c 5000 /dev/urandom >"$lessons/guide.chm"
cat >"$lessons/manifest.json" <<'JSON'
{"help": "guide.chm", "lessons": [{"file": "a.txt", "name": "第一课"},
  {"file": "b.bin", "package": "second", "compress": false}, {"folder": "site"}]}
JSON
bundle=$work/课件.exe
run 0 "$kelpack" build "$lessons/manifest.json" --player "$windows" -o "$bundle"

# The worked example's layout: the main package right after the 3,374,592-byte image.
run 0 "$kelpack" info "$bundle"
has "$work/out" "main package    at 3374592," "second package: EPT_Korvat, 1 items" \
    "catalogue: 3 entries, 0 not resolved"
run 0 "$kelpack" list "$bundle"
cp "$work/out" "$work/windows.list"
has "$work/windows.list" "1  ID 0, System -1: main [0] 第一课 -> a.txt" \
    "2  ID 0, System 0: second [0] b -> b.bin" "3  ID 1, System -1: main [1] site -> site/index.html"
run 0 "$kelpack" extract "$bundle" -o "$work/windows.out"

rehosted=$work/rehosted
run 0 "$kelpack" rehost "$bundle" --player "$player" -o "$rehosted"
has "$work/out" "$rehosted: the lessons of $bundle; main package "
[ -x "$rehosted" ] || fail "the rehosted bundle is not executable as its player is"
cmp -n "$(size_of "$player")" "$player" "$rehosted" || fail "the player's bytes were changed"
run 0 "$kelpack" info "$rehosted"
has "$work/out" "main package    at $(size_of "$player"),"
run 0 "$kelpack" list "$rehosted"
diff "$work/windows.list" "$work/out" || fail "list differs between the Windows bundle and its rehost"
run 0 "$kelpack" extract "$rehosted" -o "$work/rehosted.out"
diff -r "$work/windows.out" "$work/rehosted.out" || fail "the rehost unpacks other files"
cmp "$lessons/guide.chm" "$work/rehosted.out/应用指南.chm"
cmp "$lessons/b.bin" "$work/rehosted.out/b.bin"

# Back onto the Windows image: every byte of the original comes back.
run 0 "$kelpack" rehost "$rehosted" --player "$windows" -o "$work/back.exe"
cmp "$bundle" "$work/back.exe" || fail "rehosting back did not give the original bundle"

# Files that carry no bundle are refused, naming the file, and nothing is written.
printf 'old\n' >"$work/kept"
bash "$here/windows_image.sh" "$work/small.exe" 40000
cp /bin/true "$work/elf"
# file | text on stderr after "kelpack: <file>: "
while IFS='|' read -r name expected; do
    run 1 "$kelpack" rehost "$work/$name" --player "$player" -o "$work/kept"
    has "$work/err" "kelpack: $work/$name: $expected"
    [ "$(cat "$work/kept")" = old ] || fail "rehost of $name changed the output"
done <<CASES
windows.exe|carries no lesson bundle: the trailer names no catalogue
small.exe|carries no lesson bundle: the trailer names no catalogue
elf|carries no lesson bundle: the main package at
missing.exe|cannot open: No such file or directory
CASES
run 1 "$kelpack" rehost "$bundle" --player "$work/none" -o "$work/kept"
has "$work/err" "kelpack: $work/none: cannot open: No such file or directory"
run 2 "$kelpack" rehost "$bundle" -o "$work/kept"
has "$work/err" "kelpack: rehost: missing option --player" "usage: kelpack rehost BUNDLE --player EXE -o OUT"
[ -z "$(find "$work" -mindepth 1 -maxdepth 1 -name '.*')" ] || fail "a temporary file was left behind"
echo "PASS"
