#!/usr/bin/env bash
# windows_image.sh OUT [SIZE]: writes a Windows program image built with mingw-w64, padded with
# zeros to SIZE bytes (default 3,374,592, the size of the Windows player image old lesson bundles
# carry), as kelpack build's --player takes it. OUT alone carries no bundle.
set -euo pipefail
out=${1:?usage: $0 OUT [SIZE]}
size=${2:-3374592}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
i686-w64-mingw32-gcc -O2 -s -mwindows -o "$out" "$here/windows_program.c"
[ "$(stat -c %s "$out")" -le "$size" ] || { echo "$0: the program is larger than $size bytes" >&2; exit 1; }
truncate -s "$size" "$out"
