#!/usr/bin/env bash
# How close both programs come to the least their work can cost, with nothing
# from outside the repository: squeezle /Q against bench/floor.c (the input
# read whole once in 64 KB blocks, the output's bytes written in one write to
# a new file that is renamed over the output, no work between the calls) on the
# largest input of short lines and on a typical 13 KB script; unsqueezle
# against the floor that reads the file and writes the text. The two of a
# pair take turns, a few runs each, for many rounds, so that a slow moment of
# the machine falls on both; the medians and their ratio are printed. Then
# squeezle on a pseudo-terminal (script(1)) against the same run with /Q on
# one, so that making the terminal costs both sides alike; the system calls
# of a run (with strace, when it is there); and the peak memory of each
# program. Not part of any test run.
#   bench/run.sh [release build folder] [rounds]      (needs cc, hyperfine, python3)
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source/build/release}" && pwd)
rounds=${2:-20}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
cc -O2 -o floor "$source/bench/floor.c"

# The largest accepted input: 63 lines of 1022 bytes and a CR, one of 989 and
# a CR; each counts its length plus one, 65503 in all.
text() { yes 'echo x' | tr -d '\n' | head -c "$1" || true; } # yes ends on SIGPIPE
for _ in $(seq 63); do text 1022; printf '\r\n'; done >largest.bat
{ text 989; printf '\r\n'; } >>largest.bat
# The largest accepted input of short lines: 2,820 lines of 21 bytes, a CR
# and an LF, 64,860 of source; a 2,800-line script of the same lines; the
# shipped example repeated to a typical 13 KB; 10 MB of comments for /K.
python3 - "$source/examples/setup.bat" <<'PY'
import sys
line = b"echo Compressing now.\r\n"
open("short.bat", "wb").write(line * 2820)
open("lines.bat", "wb").write(line * 2800)
open("typical.bat", "wb").write((open(sys.argv[1], "rb").read() * 12)[:13000])
open("comments.bat", "wb").write(b":: a comment that /K leaves out, as long as most are\r\n" * 200000)
PY
# The largest compressed file: the most characters, 65439, spread over the 253
# byte values a line can hold, so that 223 of them are literals: 92497 bytes.
python3 -c '
values = [v for v in range(1, 256) if v not in (0x0A, 0x1A)]
open("spread.bat", "wb").write(bytes(values) * 258 + bytes(values[:165]))'
"$build/squeezle" /Q /O spread.bat largest.zcl

# compare PAIR NAME COMMAND PREPARE NAME COMMAND PREPARE: rounds of five runs
# each, which of the two goes first changing from round to round; prints the
# medians and the first's over the second's.
compare() {
    local pair=$1 one=("$2" "$3" "$4") two=("$5" "$6" "$7")
    mkdir "$pair"
    for round in $(seq "$rounds"); do
        local first=("${one[@]}") second=("${two[@]}")
        if ((round % 2 == 0)); then first=("${two[@]}") second=("${one[@]}"); fi
        hyperfine -N --style none --runs 5 --output "$scratch/console" \
            --export-json "$pair/$round.json" \
            -n "${first[0]}" --prepare "${first[2]}" "${first[1]}" \
            -n "${second[0]}" --prepare "${second[2]}" "${second[1]}" >/dev/null 2>hyperfine.log ||
            { cat hyperfine.log; exit 1; }
    done
    python3 - "$pair" "${one[0]}" "${two[0]}" <<'PY'
import json, pathlib, statistics, sys
pair, a, b = sys.argv[1:]
times = {a: [], b: []}
for path in pathlib.Path(pair).glob("*.json"):
    for result in json.loads(path.read_text())["results"]:
        times[result["command"]].extend(result["times"])
m = {name: statistics.median(runs) * 1000 for name, runs in times.items()}
print(f"{a} median {m[a]:.3f} ms, {b} median {m[b]:.3f} ms, "
      f"{len(times[a])} runs each: ratio {m[a] / m[b]:.3f}")
PY
}

size() { wc -c <"$1"; }
for input in short typical; do
    "$build/squeezle" /Q /O $input.bat $input.zcl
    compare "compress-$input" "squeezle /Q $input.bat" "$build/squeezle /Q /O $input.bat $input.zcl" true \
        "floor $input.bat" "./floor compress $input.bat floor.zcl $(size $input.zcl)" true
done
"$build/unsqueezle" /Q /O largest.zcl back.bat
compare decode "unsqueezle largest.zcl" "$build/unsqueezle /Q /O largest.zcl back.bat" true \
    "floor largest.zcl" "./floor decode largest.zcl floor.bat $(size back.bat)" true
# script(1) runs a command on a pseudo-terminal and copies what it prints.
for input in largest lines; do
    compare "terminal-$input" "squeezle $input.bat on a terminal" \
        "script -qec '$build/squeezle /O $input.bat t.zcl' /dev/null" true \
        "squeezle /Q $input.bat on a terminal" "script -qec '$build/squeezle /Q /O $input.bat t.zcl' /dev/null" true
done
if command -v strace >/dev/null; then
    for run in "/Q short.bat" "/Q /K comments.bat" "short.bat"; do
        # shellcheck disable=SC2086 # the options and the input
        echo "squeezle $run ($(size ${run##* }) bytes): $(strace -f -c -o calls.txt "$build/squeezle" /O $run out.zcl >/dev/null &&
            tail -n 1 calls.txt | awk '{print $(NF - 2)}') system calls"
    done
fi
# One run's peak varies by a tenth from run to run here: the median of 21.
for program in "squeezle /O largest.bat out.zcl" "unsqueezle /Q /O largest.zcl back.bat"; do
    # shellcheck disable=SC2086 # the program and its arguments
    peak=$(for _ in $(seq 21); do /usr/bin/time -f %M "$build"/$program 2>&1 >/dev/null; done |
        sort -n | sed -n 11p)
    echo "${program%% *}: peak memory $peak KiB, the median of 21 runs"
done
