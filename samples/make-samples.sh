#!/usr/bin/env bash
# Generates the project's demo lessons into OUTDIR and writes OUTDIR/demo.json, the manifest
# for "kelpack build": one lesson of every kind the player shows, each mostly one plain colour
# so that screenshots can check it.
#   pics/      four pictures of plain colours with a large caption each (BMP and JPG, 800x600;
#              the caption sits in the top band)
#   movie.swf  a Flash movie that only declares a background colour (bytes written here)
#   07-flash.swf, 08-flash-cws.swf
#              Flash movies by make_swf (AVM1, SWF 8) on a 640x240 stage, wider than the 4:3
#              screen: a rectangle, Chinese text in the device font 宋体, a caption in 黑体 or
#              _sans, an FSCommand; one plain ("FWS"), one compressed ("CWS"), in other colours
#   09-video.flv, 10-video.avi, 11-video.wmv
#              10 s videos by ffmpeg (Sorenson H.263 + MP3, MS-MPEG4 v2 + MP3, WMV 8 + WMA 2),
#              320x240, one colour with a caption on top and a small square moving along the
#              bottom, a sine tone; bit-exact, so every run makes the same bytes
#   12-document.doc
#              a Word 97 document by LibreOffice from a text of ours: coloured heading and page
#   page.html, site/, guide.chm
#              an HTML page, a small web site as a folder lesson, a stand-in help file
#   13-program.exe, 14-windows.exe
#              lesson programs from the build: a native one (Xlib, teal) and, when wine is
#              installed, a Windows one (Win32, purple), each with caption buttons the player hides
# make_swf comes from the build: $MAKE_SWF, else ${BUILD_DIR:-<repo>/build}/samples/make_swf; the
# lesson programs from the same samples/ folder.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
out=$1
root=$(cd "$(dirname "$0")/.." && pwd)
make_swf=${MAKE_SWF:-${BUILD_DIR:-$root/build}/samples/make_swf}
native_program=$(dirname "$make_swf")/x11_lesson
windows_program=$(dirname "$make_swf")/windows_lesson.exe
font=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}
for tool in convert ffmpeg soffice; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh"
done
[ -f "$font" ] || fail "$font is missing: run scripts/install-deps.sh"
[ -x "$make_swf" ] || fail "$make_swf is missing: build the project first (scripts/build.sh)" \
    "or name it in MAKE_SWF"
[ -x "$native_program" ] || fail "$native_program is missing: build the project first (scripts/build.sh)"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/make-samples.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
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

# The Flash lessons: a 640x240 stage (the player scales it into the 4:3 screen, centred), an
# amber or green rectangle at (40, 60) of 200x100, the lesson's title in 宋体 32 px at (260, 90)
# and a caption 20 px high at (260, 150), white on the background; an FSCommand of the kind
# projector movies send, which the player ignores.
"$make_swf" "$out/07-flash.swf" --stage 640 240 --background 204080 \
    --rect 40 60 200 100 FFCC00 \
    --text 260 90 宋体 32 FFFFFF '第七课 动画 中文字' \
    --text 260 150 黑体 20 FFFFFF '黑体 FWS 640×240' \
    --fscommand fullscreen true
"$make_swf" "$out/08-flash-cws.swf" --compress --stage 640 240 --background 802040 \
    --rect 40 60 200 100 00CC66 \
    --text 260 90 宋体 32 FFFFFF '第八课 压缩动画' \
    --text 260 150 _sans 20 FFFFFF '_sans CWS 640x240' \
    --fscommand showmenu false

# video FILE COLOUR TONE CAPTION CODEC-OPTIONS...: 10 s of 320x240 at 15 fps in COLOUR, the
# caption in white across the top, a white 16-pixel square moving along the bottom, and a sine
# tone of TONE Hz. Bit-exact, so every run writes the same bytes.
video() {
    local file=$1 colour=$2 tone=$3 caption=$4
    shift 4
    local square="overlay=x='mod(t*60,W-w)':y=H-24"
    local title="drawtext=fontfile=$font:text='$caption':fontsize=24:fontcolor=white"
    title+=":x=(w-text_w)/2:y=8"
    ffmpeg -nostdin -hide_banner -loglevel error -y \
        -f lavfi -i "color=c=0x$colour:s=320x240:r=15:d=10" \
        -f lavfi -i "color=c=white:s=16x16:r=15:d=10" \
        -f lavfi -i "sine=frequency=$tone:sample_rate=22050:duration=10" \
        -filter_complex "[0][1]$square,${title}[v]" -map '[v]' -map 2:a -t 10 -ac 1 "$@" \
        -fflags +bitexact -flags:v +bitexact -flags:a +bitexact "$file"
}
video "$out/09-video.flv" E07020 440 '第九课 FLV 视频' \
    -c:v flv1 -q:v 4 -c:a libmp3lame -b:a 48k
video "$out/10-video.avi" 8040C0 523 '第十课 AVI 视频' \
    -c:v msmpeg4v2 -q:v 4 -c:a libmp3lame -b:a 48k
video "$out/11-video.wmv" 20A0A0 659 '第十一课 WMV 视频' \
    -c:v wmv2 -q:v 4 -c:a wmav2 -b:a 32k

# A Word 97 document converted by LibreOffice from a text of ours, with a private profile so a
# LibreOffice that is running is left alone: a pale yellow page, a red heading of 36 pt and a
# paragraph of 24 pt.
cat >"$tmp/12-document.fodt" <<'FODT'
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls>
  <style:font-face style:name="WenQuanYi Zen Hei" svg:font-family="'WenQuanYi Zen Hei'"/>
 </office:font-face-decls>
 <office:styles>
  <style:default-style style:family="paragraph">
   <style:text-properties style:font-name="WenQuanYi Zen Hei"
     style:font-name-asian="WenQuanYi Zen Hei" fo:language="zh" fo:country="CN"
     style:language-asian="zh" style:country-asian="CN"/>
  </style:default-style>
 </office:styles>
 <office:automatic-styles>
  <style:page-layout style:name="Page">
   <style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm"
     fo:margin-top="2cm" fo:margin-bottom="2cm" fo:margin-left="2cm" fo:margin-right="2cm"
     fo:background-color="#FFF4C0"/>
  </style:page-layout>
  <style:style style:name="Heading" style:family="paragraph">
   <style:paragraph-properties fo:text-align="center" fo:margin-bottom="1cm"/>
   <style:text-properties fo:font-size="36pt" style:font-size-asian="36pt" fo:font-weight="bold"
     style:font-weight-asian="bold" fo:color="#C00000"/>
  </style:style>
  <style:style style:name="Body" style:family="paragraph">
   <style:paragraph-properties fo:line-height="150%"/>
   <style:text-properties fo:font-size="24pt" style:font-size-asian="24pt" fo:color="#000000"/>
  </style:style>
 </office:automatic-styles>
 <office:master-styles>
  <style:master-page style:name="Standard" style:page-layout-name="Page"/>
 </office:master-styles>
 <office:body>
  <office:text>
   <text:p text:style-name="Heading">第十二课 文档</text:p>
   <text:p text:style-name="Body">这是一份 Word 文档课件。播放器把它转换成 PDF，再在窗口里显示。</text:p>
   <text:p text:style-name="Body">请读一读这段文字，然后说出文档和网页有什么不同。</text:p>
  </office:text>
 </office:body>
</office:document>
FODT
soffice --headless "-env:UserInstallation=file://$tmp/profile" --convert-to 'doc:MS Word 97' \
    --outdir "$out" "$tmp/12-document.fodt" >"$tmp/soffice.log" 2>&1 ||
    fail "LibreOffice failed: $(cat "$tmp/soffice.log")"
[ -s "$out/12-document.doc" ] || fail "LibreOffice wrote no document: $(cat "$tmp/soffice.log")"

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
    {"file": "07-flash.swf", "name": "第七课 动画", "attributes": {"Style": "动画"}},
    {"file": "08-flash-cws.swf", "name": "第八课 压缩动画",
     "attributes": {"Writing": "压缩的动画（CWS）也能在上面写字。"}},
    {"file": "09-video.flv", "name": "第九课 FLV 视频", "compress": false,
     "attributes": {"Writing": "橙色的画面，440 赫兹的声音。"}},
    {"file": "10-video.avi", "name": "第十课 AVI 视频", "compress": false},
    {"file": "11-video.wmv", "name": "第十一课 WMV 视频", "compress": false,
     "attributes": {"Writing": "青色的画面。"}},
    {"file": "12-document.doc", "name": "第十二课 文档",
     "attributes": {"Writing": "文档课件：红色的标题，黄色的纸。"}},
    {"file": "13-program.exe", "name": "第十三课 课件程序"},
    {"file": "14-windows.exe", "name": "第十四课 Windows 课件程序"},
    {"item": 0, "package": "main"}
  ]
}
JSON

cp "$native_program" "$out/13-program.exe"
if command -v wine >/dev/null && [ -f "$windows_program" ]; then
    cp "$windows_program" "$out/14-windows.exe"
else
    sed -i '/14-windows.exe/d' "$out/demo.json"
fi
