#!/usr/bin/env bash
# swfinfo on movies made here: plain and compressed heads, a tag too far in, a short file.
# shellcheck source=tests/cli/lib.sh
source "$(dirname "$0")/lib.sh"

rect='\x78\x00\x07\xD0\x00\x00\x17\x70\x00' # 800x600 twips, 15-bit fields
rate_count='\x00\x0C\x01\x00'
end_tags='\x40\x00\x00\x00' # ShowFrame, End

# movie FILE SIGNATURE BODY: a version 10 movie; BODY (printf escapes) follows the 8-byte
# header, compressed with zlib when SIGNATURE is CWS.
movie() {
    local file=$1 signature=$2 body=$3
    printf '%b' "$body" >"$work/body"
    local length=$((8 + $(size_of "$work/body")))
    {
        printf '%s\x0A' "$signature"
        le32 "$length"
        if [ "$signature" = CWS ]; then pigz -z -c "$work/body"; else cat "$work/body"; fi
    } >"$file"
}

movie "$work/plain.swf" FWS "$rect$rate_count\x43\x02\x12\x34\x56\xC7\x0Alesson\x00$end_tags"
movie "$work/packed.swf" CWS "$rect$rate_count\x43\x02\x33\x66\x99\xC7\x0Alesson\x00$end_tags"
# A 20-byte FrameLabel first puts the colour tag past the 30 body bytes the reader looks at.
movie "$work/late.swf" FWS "$rect$rate_count\xD4\x0A0123456789abcdefghi\x00\x43\x02\x12\x34\x56$end_tags"
printf 'FWS\x0A\x14\x00\x00\x00\x78\x00\x07\xD0\x00\x00\x17\x70\x00\x00\x0C\x01' >"$work/short.swf"

# file | status | lines expected on stdout
while IFS='|' read -r file status expected; do
    run "$status" "$kelpack" swfinfo "$work/$file"
    IFS=';' read -ra lines <<<"$expected"
    has "$work/out" "${lines[@]}"
done <<'CASES'
plain.swf|0|signature: FWS;version: 10;length: 39;background: #123456
packed.swf|0|signature: CWS;length: 39;background: #336699
late.swf|0|background: #FFFFFF
short.swf|1|signature: FWS;background: #000000
CASES
has "$work/err" "kelpack: $work/short.swf: the header could not be read to its end"

run 1 "$kelpack" swfinfo "$work/missing.swf"
has "$work/err" "kelpack: Cannot open file \"$work/missing.swf\""
echo "PASS"
