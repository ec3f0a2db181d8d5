#!/usr/bin/env bash
# Generates the project's demo lessons into OUTDIR and writes OUTDIR/demo.json, the manifest
# for "kelpack build": four pictures of plain colours with a large caption each (BMP and JPG,
# 800x600; the caption sits in the top band, so the rest of each picture is one colour that
# screenshots can check), a Flash movie that only declares a background colour, an HTML page,
# a small web site as a folder lesson, and a stand-in help file.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
mkdir -p "$out/pics" "$out/site/img"

# picture FILE COLOUR CAPTION: 800x600 of COLOUR with CAPTION in white across the top band.
picture() {
    convert -size 800x600 "xc:$2" -font "$font" -pointsize 64 -fill white -gravity north \
        -annotate +0+40 "$3" -strip -type TrueColor "$1"
}
picture "BMP3:$out/pics/01-red.bmp" '#D02020' '第一课 红色'
picture "$out/pics/02-green.jpg" '#20A040' '第二课 绿色'
picture "BMP3:$out/pics/03-blue.bmp" '#2050D0' '第三课 蓝色'
picture "$out/pics/04-yellow.jpg" '#F0C000' '第四课 黄色'
convert "$out/pics/01-red.bmp" -resize 160x120 -strip -type TrueColor "BMP3:$out/pics/01-red_thu.bmp"

# A Flash movie of one empty frame on the background #336699 (800x600, 12 fps, version 10):
# header, frame rectangle, rate and count, then FileAttributes, SetBackgroundColor, a
# FrameLabel (so the body is longer than the 30 bytes the player reads), ShowFrame and End.
swf_body='\x78\x00\x07\xD0\x00\x00\x17\x70\x00\x00\x0C\x01\x00'
swf_body+='\x44\x11\x00\x00\x00\x00'
swf_body+='\x43\x02\x33\x66\x99'
swf_body+='\xC7\x0Alesson\x00'
swf_body+='\x40\x00\x00\x00'
printf '%b' "FWS\x0A\x2D\x00\x00\x00$swf_body" >"$out/movie.swf"

cat >"$out/page.html" <<'HTML'
<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>第五课 网页</title>
<style>
body { margin: 0; background: #FFF8DC; font-family: "WenQuanYi Zen Hei", sans-serif; }
h1 { font-size: 64px; text-align: center; margin-top: 40px; }
p { font-size: 32px; text-align: center; }
</style>
</head>
<body>
<h1>第五课 网页</h1>
<p>这是一页网页课件。</p>
</body>
</html>
HTML

convert -size 200x200 xc:none -fill '#FF8800' -draw 'circle 100,100 100,10' -strip \
    -define png:exclude-chunks=date,time "$out/site/img/logo.png"
cat >"$out/site/style.css" <<'CSS'
body { margin: 0; background: #E0F0FF; font-family: "WenQuanYi Zen Hei", sans-serif; }
h1 { font-size: 64px; text-align: center; margin-top: 40px; }
img { display: block; margin: 40px auto; }
CSS
cat >"$out/site/index.html" <<'HTML'
<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>第六课 网站</title>
<link rel="stylesheet" href="style.css">
</head>
<body>
<h1>第六课 网站</h1>
<img src="img/logo.png" alt="标志" width="200" height="200">
</body>
</html>
HTML

# Not a compiled HTML help file: an HTML text that stands in for one, so that the bundle
# carries a help segment.
cat >"$out/guide.chm" <<'HTML'
<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>应用指南</title></head>
<body><h1>应用指南</h1><p>用 Page Down 或空格键进入下一课，Page Up 返回上一课。</p></body></html>
HTML

cat >"$out/demo.json" <<'JSON'
{
  "description": "多媒体素材库",
  "version": "1.1.0803",
  "help": "guide.chm",
  "lessons": [
    {"file": "pics/01-red.bmp", "name": "第一课 红色", "thumbnail": "pics/01-red_thu.bmp",
     "attributes": {"Style": "图片", "Writing": "红色是三原色之一。\n请说出三种红色的东西。"}},
    {"file": "pics/02-green.jpg", "name": "第二课 绿色", "compress": false,
     "attributes": {"UserWriting": "", "Writing": "绿色：树叶、青草。"}},
    {"file": "movie.swf", "name": "动画 背景色", "attributes": {"Style": "动画"}},
    {"file": "pics/03-blue.bmp", "name": "第三课 蓝色", "package": "second",
     "attributes": {"UserWriting": "老师的板书：蓝色的天空。", "Writing": "蓝色"}},
    {"file": "pics/04-yellow.jpg", "name": "第四课 黄色", "package": "second"},
    {"file": "page.html", "name": "第五课 网页", "attributes": {"Writing": "网页课件"}},
    {"folder": "site", "main": "index.html", "name": "第六课 网站"},
    {"item": 0, "package": "main"}
  ]
}
JSON
