#!/usr/bin/env bash
# How close both programs come to the least their work can cost, with nothing
# from outside the repository: squeezle /Q against bench/floor.c (the input
# read whole once in 64 KB blocks, the output's bytes written in one write to
# a new file that is renamed over the output, no work between the calls) on the
# largest input of short lines and on a typical 13 KB script; unsqueezle
# against the floor that reads the file and writes the text. The two of a
# pair take turns, a run each, many times, so that a slow moment of the
# machine falls on both; the medians and the ratio are printed. Then
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

# compare RUNS NAME COMMAND NAME COMMAND: the two commands run in turn, one run
# each, in an order drawn anew for every pair, RUNS pairs; prints both medians
# and the median of the ratios within a pair. This machine's speed can drift by
# a fifth within a second: runs side by side meet the same moment of it, where
# blocks of runs of one command, then of the other, do not.
compare() {
    python3 - "$@" <<'PY'
import os, random, shlex, statistics, sys, time
runs, a, command_a, b, command_b = int(sys.argv[1]), *sys.argv[2:6]
commands = {a: shlex.split(command_a), b: shlex.split(command_b)}
quiet = os.open(os.devnull, os.O_WRONLY)
def run(argv):
    start = time.perf_counter()
    child = os.posix_spawnp(argv[0], argv, os.environ,
                            file_actions=[(os.POSIX_SPAWN_DUP2, quiet, 1)])
    _, status = os.waitpid(child, 0)
    if status != 0:
        sys.exit(f"{' '.join(argv)} failed")
    return time.perf_counter() - start
times = {a: [], b: []}
order = random.Random(1)
for name in (a, b) * 10:  # the caches warm up
    run(commands[name])
for _ in range(runs):
    pair = [a, b]
    order.shuffle(pair)
    for name in pair:
        times[name].append(run(commands[name]))
median = {name: statistics.median(spent) * 1000 for name, spent in times.items()}
ratio = statistics.median(x / y for x, y in zip(times[a], times[b]))
print(f"{a} median {median[a]:.3f} ms, {b} median {median[b]:.3f} ms, "
      f"{runs} runs each: ratio {ratio:.3f}")
PY
}

size() { wc -c <"$1"; }
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
