#!/usr/bin/env bash
# The tool under valgrind: a run on the largest accepted input shows no memory
# errors, and allocates no more than a run on a one-line input does.
set -euo pipefail
tool=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cd "$folder"

# 63 lines of 1023 bytes and one of 926, each with the CR its LF gets: each
# counts its length plus one, 65503.
text() { yes 'echo x' | tr -d '\n' | head -c "$1" || true; }  # yes ends on SIGPIPE
for _ in $(seq 63); do text 1023; echo; done >largest.bat
{ text 926; echo; } >>largest.bat
printf '@echo off\r\n' >small.bat

allocations() {
    valgrind --error-exitcode=3 --leak-check=full "$tool" /Q "$1" 2>"$1.log" ||
        { cat "$1.log"; echo "valgrind reports errors on $1"; exit 1; }
    sed -n 's/.*total heap usage: \([0-9,]*\) allocs.*/\1/p' "$1.log" | tr -d ,
}
small=$(allocations small.bat)
largest=$(allocations largest.bat)
echo "heap allocations: $small for one line, $largest for the largest input"
[ -s largest.zcl ] || { echo "no output written"; exit 1; }
[ "$largest" -le "$small" ] || { echo "allocations grow with the input"; exit 1; }
