#!/usr/bin/env bash
# What a change to the code costs or buys the whole run, the process's wall
# time: two release builds of both programs side by side (say, a speed trick
# kept and the same code without it), a run of each in turn, on the largest
# inputs each part of the work sees: squeezle /Q on the largest input of
# short lines (the reader's and the coder's most lines and characters), on
# the largest input (its longest lines) and /K on 10 MB of comments (the most
# reads); unsqueezle on the largest compressed file (the most literals) and on
# the file of the short lines (the most table characters). Each line gives the
# medians, the median of the ratios within a pair (the first build's time
# over the second's: above 1, the first is slower) and their quartiles. Not
# part of any test run.
#   bench/builds.sh FIRST_BUILD SECOND_BUILD [runs of each, 1000] [squeezle | unsqueezle]
# (needs python3); the program named last is the only one timed.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
first=$(cd "$1" && pwd)
second=$(cd "$2" && pwd)
runs=${3:-1000}
only=${4:-}
build=$first
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
# shellcheck source=bench/inputs.sh
source "$source/bench/inputs.sh"
make_inputs
"$build/squeezle" /Q /O short.bat short.zcl

both() { # NAME RUNS ARGUMENTS: the program named first, then its arguments
    [[ -z $only || $1 == "$only "* ]] || return 0
    compare "$2" "first $1" "$first/$3" "second $1" "$second/$3"
}
both "squeezle /Q short.bat" "$runs" "squeezle /Q /O short.bat out.zcl"
both "squeezle /Q largest.bat" "$runs" "squeezle /Q /O largest.bat out.zcl"
both "squeezle /Q /K comments.bat" $((runs / 10)) "squeezle /Q /K /O comments.bat out.zcl"
both "unsqueezle largest.zcl" "$runs" "unsqueezle /Q /O largest.zcl back.bat"
both "unsqueezle short.zcl" "$runs" "unsqueezle /Q /O short.zcl back.bat"
