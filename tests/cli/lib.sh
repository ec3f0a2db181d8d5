# shellcheck shell=bash disable=SC2034  # the variables here are used by the scripts that source it
# Shared helpers of the kelpack tests; sourced with the kelpack binary as $1.
set -euo pipefail

kelpack=${1:?usage: $0 PATH-TO-KELPACK}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
samples=$here/../../samples/make-samples.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/kelpack-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# run STATUS CMD...: runs CMD with stdout in $work/out and stderr in $work/err, and fails
# unless it exits with STATUS.
run() {
    local want=$1 got=0
    shift
    "$@" >"$work/out" 2>"$work/err" || got=$?
    if [ "$got" -ne "$want" ]; then
        echo "--- stdout" >&2
        cat "$work/out" >&2
        echo "--- stderr" >&2
        cat "$work/err" >&2
        fail "exit status $got, not $want: $*"
    fi
}

# has FILE TEXT...: FILE holds every TEXT (fixed strings).
has() {
    local file=$1
    shift
    for text in "$@"; do
        grep -qF -- "$text" "$file" || fail "$(basename "$file") lacks: $text"
    done
}

lacks() {
    local file=$1
    shift
    for text in "$@"; do
        if grep -qF -- "$text" "$file"; then fail "$(basename "$file") holds: $text"; fi
    done
}

# le32 VALUE: VALUE as four little-endian bytes.
le32() {
    local v=$1
    printf '%b' "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) \
        $((v >> 16 & 255)) $((v >> 24 & 255)))"
}

# patch32 FILE OFFSET VALUE: overwrites four bytes of FILE in place.
patch32() {
    le32 "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

size_of() {
    stat -c %s "$1"
}

# assemble OUT PLAYER MAIN.ept CATALOGUE.xml: a bundle laid out as the player reads it, with
# no second package and no help file.
assemble() {
    local out=$1 player=$2 main=$3 catalogue=$4
    local p m c
    p=$(size_of "$player")
    m=$(size_of "$main")
    c=$(size_of "$catalogue")
    {
        cat "$player" "$main" "$catalogue"
        le32 "$p"
        le32 "$m"
        le32 $((p + m))
        le32 0
        le32 $((p + m))
        le32 "$c"
        le32 0
        le32 0
        head -c 48 /dev/zero
    } >"$out"
}

# catalogue OUT ID:SYSTEM...: a catalogue whose entries carry those attributes.
catalogue() {
    local out=$1
    shift
    {
        printf '<Korvat教育存盘文件 产品名称="Lumivo">'
        for entry in "$@"; do
            printf '<素材 ID="%s" System="%s"/>' "${entry%%:*}" "${entry#*:}"
        done
        printf '</Korvat教育存盘文件>\r\n'
    } >"$out"
}

# A stand-in for the player executable: any file serves, the bundle goes after its end.
player=$work/player
cp /bin/true "$player"
