#!/usr/bin/env bash
# Both programs under valgrind: squeezle on the largest accepted input and
# unsqueezle on what it writes show no memory errors, and allocate no more
# than squeezle does on a one-line input.
#   tests/valgrind_check.sh <squeezle> <unsqueezle>
set -euo pipefail
squeezle=$1
unsqueezle=$2
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

# 63 lines of 1022 bytes and a CR, one of 989 and a CR: each counts its length
# plus one, 65503 in all.
text() { yes 'echo x' | tr -d '\n' | head -c "$1" || true; }  # yes ends on SIGPIPE
for _ in $(seq 63); do text 1022; printf '\r\n'; done >largest.bat
{ text 989; printf '\r\n'; } >>largest.bat
printf '@echo off\r\n' >small.bat

allocations() {
    valgrind --error-exitcode=3 --leak-check=full "$@" 2>valgrind.log ||
        { cat valgrind.log; echo "valgrind reports errors on $*"; exit 1; }
    sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' valgrind.log | tr -d ,
}
small=$(allocations "$squeezle" /Q small.bat)
largest=$(allocations "$squeezle" /Q largest.bat)
decoded=$(allocations "$unsqueezle" /Q largest.zcl back.bat)
echo "heap allocations: $small for one line, $largest for the largest input, $decoded to decode it"
cmp largest.bat back.bat
[ "$largest" -le "$small" ] && [ "$decoded" -le "$small" ] || { echo "allocations grow"; exit 1; }
