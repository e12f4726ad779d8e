#!/usr/bin/env bash
# How close both programs come to the least their work can cost, with nothing
# from outside the repository: squeezle /Q against bench/floor.c (the input
# read whole once in 64 KB blocks, the output's bytes written in one write to
# a new file that is renamed over the output, no work between the calls) on the
# largest input of short lines and on a typical 13 KB script; unsqueezle
# against the floor that reads the file and writes the text. The two of a
# pair take turns, a run each, many times, so that a slow moment of the
# machine falls on both; the medians and the median ratio, with its
# quartiles as its spread, are printed (bench/inputs.sh makes the inputs and
# times the pairs; bench/builds.sh times two builds the same way). Then
# squeezle on a pseudo-terminal (script(1)) against the same run with /Q on
# one, so that making the terminal costs both sides alike; the system calls
# of a run (with strace, when it is there); and the peak memory of each
# program. Not part of any test run.
#   bench/run.sh [release build folder] [runs of each, 1000]      (needs cc, python3)
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source/build/release}" && pwd)
runs=${2:-1000}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
cc -O2 -o floor "$source/bench/floor.c"
# shellcheck source=bench/inputs.sh
source "$source/bench/inputs.sh"
make_inputs

for input in short typical; do
    "$build/squeezle" /Q /O $input.bat $input.zcl
    compare "$runs" "squeezle /Q $input.bat" "$build/squeezle /Q /O $input.bat $input.zcl" \
        "floor $input.bat" "./floor compress $input.bat floor.zcl $(size $input.zcl)"
done
"$build/unsqueezle" /Q /O largest.zcl back.bat
compare "$runs" "unsqueezle largest.zcl" "$build/unsqueezle /Q /O largest.zcl back.bat" \
    "floor largest.zcl" "./floor decode largest.zcl floor.bat $(size back.bat)"
# script(1) runs a command on a pseudo-terminal and copies what it prints.
for input in largest lines; do
    compare $((runs / 5)) "squeezle $input.bat on a terminal" \
        "script -qec '$build/squeezle /O $input.bat t.zcl' /dev/null" \
        "squeezle /Q $input.bat on a terminal" "script -qec '$build/squeezle /Q /O $input.bat t.zcl' /dev/null"
done
if command -v strace >/dev/null; then
    for run in "/Q short.bat" "/Q /K comments.bat" "short.bat"; do
        # shellcheck disable=SC2086 # the options and the input
        echo "squeezle $run ($(size ${run##* }) bytes): $(strace -f -c -o calls.txt "$build/squeezle" /O $run out.zcl >/dev/null &&
            tail -n 1 calls.txt | awk '{print $(NF - 2)}') system calls"
    done
fi
# Most of a peak is the C library's code, which the system maps a stretch at a
# time around each page a run needs: where the library lands moves those
# stretches, and one run's peak by a tenth. setarch -R lands it in the same
# place every run, where setarch is there; the median of 21 runs either way.
fixed=""
if setarch "$(uname -m)" -R true 2>/dev/null; then
    fixed="setarch $(uname -m) -R"
fi
for program in "squeezle /O largest.bat out.zcl" "unsqueezle /Q /O largest.zcl back.bat"; do
    # shellcheck disable=SC2086 # the program and its arguments
    peak=$(for _ in $(seq 21); do $fixed /usr/bin/time -f %M "$build"/$program 2>&1 >/dev/null; done |
        sort -n | sed -n 11p)
    echo "${program%% *}: peak memory $peak KiB, the median of 21 runs"
done
