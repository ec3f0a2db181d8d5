#!/usr/bin/env bash
# The demo lessons through build, info, list and extract: what comes out is byte for byte what
# went in, in the places the player uses in its work folder.
# shellcheck source=tests/cli/lib.sh
source "$(dirname "$0")/lib.sh"

lessons=$work/lessons
bash "$samples" "$lessons"
bundle=$work/demo.bin
run 0 "$kelpack" build "$lessons/demo.json" --player "$player" -o "$bundle"
# The Windows lesson program is among the samples only where wine is installed.
main_items=12
[ -f "$lessons/14-windows.exe" ] && main_items=13
entries=$((main_items + 3))
has "$work/out" "$entries lessons; main package $main_items items, second package 2 items; help file"
cmp -n "$(size_of "$player")" "$player" "$bundle" || fail "the player's bytes were changed"

run 0 "$kelpack" info "$bundle"
has "$work/out" "main package: EPT_Korvat, $main_items items; description \"多媒体素材库\", version \"1.1.0803\"" \
    "second package: EPT_Korvat, 2 items" "help segment    at" "catalogue: $entries entries, 0 not resolved"
run 0 "$kelpack" info --json "$bundle"
has "$work/out" '"HelpSize": ' '"name": "second package"' '"itemCount": '"$main_items" '"entryCount": '"$entries" \
    '"unresolved": 0' '"problems": []'

run 0 "$kelpack" list "$bundle"
has "$work/out" \
    "[0] 第一课 红色: file 01-red.bmp, compressed" \
    "additional file 01-red_thu.bmp, " \
    'Writing: 红色是三原色之一。\n请说出三种红色的东西。' \
    "[1] 第二课 绿色: file 02-green.jpg, not compressed, $(size_of "$lessons/pics/02-green.jpg") bytes stored" \
    "Style: 动画" \
    "[4] 第六课 网站: folder site, shown file index.html, 3 items" \
    "[0] img: folder img, shown file logo.png, 1 items" \
    "[0] logo: file logo.png, compressed" \
    "1  ID 0, System -1: main [0] 第一课 红色 -> 01-red.bmp" \
    "4  ID 0, System 0: second [0] 第三课 蓝色 -> 03-blue.bmp" \
    "7  ID 4, System -1: main [4] 第六课 网站 -> site/index.html" \
    "13  ID 10, System -1: main [10] 第十二课 文档 -> 12-document.doc" \
    "14  ID 11, System -1: main [11] 第十三课 课件程序 -> 13-program.exe" \
    "$entries  ID 0, System -1: main [0] 第一课 红色 -> 01-red.bmp"
run 0 "$kelpack" list --json "$bundle"
has "$work/out" '"unpacksTo": "site/index.html"' '"name": "UserWriting"' '"compressed": false' \
    '"package": "second"' '"number": '"$entries" '"mainFileName": "site\\index.html"'

# Every entry, then the help file; the repeated item once.
all=$work/all
run 0 "$kelpack" extract "$bundle" -o "$all"
has "$work/out" "$entries: 第一课 红色 -> $all/01-red.bmp (unpacked for entry 1)" \
    "help -> $all/应用指南.chm"
programs=13-program.exe
[ -f "$lessons/14-windows.exe" ] && programs+=" 14-windows.exe"
for file in pics/01-red.bmp pics/02-green.jpg movie.swf pics/03-blue.bmp pics/04-yellow.jpg \
    page.html 07-flash.swf 08-flash-cws.swf 09-video.flv 10-video.avi 11-video.wmv \
    12-document.doc $programs; do
    cmp "$lessons/$file" "$all/$(basename "$file")"
done
diff -r "$lessons/site" "$all/site"
cmp "$lessons/guide.chm" "$all/应用指南.chm"
[ "$(ls "$all" | wc -l)" -eq "$entries" ] || fail "unexpected files: $(ls "$all")"

# Extracting again replaces what is there.
echo stale >"$all/page.html"
run 0 "$kelpack" extract "$bundle" -o "$all" 6
cmp "$lessons/page.html" "$all/page.html"

# Some entries only, in any order: those items and no help file.
some=$work/some
run 0 "$kelpack" extract "$bundle" -o "$some" 5 2
[ "$(ls "$some" | tr '\n' ' ')" = "02-green.jpg 04-yellow.jpg " ] || fail "extracted: $(ls "$some")"
cmp "$lessons/pics/04-yellow.jpg" "$some/04-yellow.jpg"

# A progress bar only on a terminal, and only for a large item.
big=$work/big
mkdir "$big"
head -c $((9 << 20)) /dev/zero >"$big/large.bin"
printf '{"lessons": [{"file": "large.bin", "compress": false}]}' >"$big/big.json"
run 0 "$kelpack" build "$big/big.json" --player "$player" -o "$big/big.bin"
run 0 "$kelpack" extract "$big/big.bin" -o "$big/plain"
lacks "$work/out" "MiB"
cmp "$big/large.bin" "$big/plain/large.bin"
run 0 script -qec "'$kelpack' extract '$big/big.bin' -o '$big/tty'" /dev/null
has "$work/out" "100% 9.0/9.0 MiB"
echo "PASS"
