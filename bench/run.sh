#!/usr/bin/env bash
# How close both programs come to the least their work can cost: squeezle
# against the floor (the same reads, seeks and writes with no work between
# them) on the largest input it takes and on a long script of short lines,
# unsqueezle against cat copying the largest compressed file. The two of a
# pair take turns, a few runs each, for many rounds, so that a slow moment of
# the machine falls on both; the medians and their ratio are printed. Then
# squeezle on a pseudo-terminal against the same run into a file, and the
# peak memory of each program. Not part of any test run.
#   bench/run.sh [release build folder] [rounds]      (needs cc, hyperfine, python3)
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source/build/release}" && pwd)
rounds=${2:-20}
tools=${SQUEEZLE_TOOLS:-$source/../shared/tools}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
cc -O2 -o floor "$tools/floor.c"

# The largest accepted input: 63 lines of 1022 bytes and a CR, one of 989 and
# a CR; each counts its length plus one, 65503 in all.
text() { yes 'echo x' | tr -d '\n' | head -c "$1" || true; } # yes ends on SIGPIPE
for _ in $(seq 63); do text 1022; printf '\r\n'; done >largest.bat
{ text 989; printf '\r\n'; } >>largest.bat
# A long script of short commands: 2,800 lines of 20 bytes and CR LF, 5,600
# progress lines over both passes.
python3 -c 'open("short.bat", "wb").write(b"echo Compressing now\r\n" * 2800)'
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

for input in largest short; do
    compare "compress-$input" "squeezle $input.bat" "$build/squeezle /O $input.bat $input.zcl" true \
        "floor $input.bat" "./floor $input.bat floor.zcl" true
done
compare decode "unsqueezle largest.zcl" "$build/unsqueezle /Q largest.zcl back.bat" "rm -f back.bat" \
    "cat largest.zcl" "cat largest.zcl" true
# A pseudo-terminal costs something of itself: /Q prints nothing at all, and
# true does nothing. cat of a run's console text in one write is the least
# that any program printing those bytes pays on a terminal.
for run in "largest.bat" "short.bat" "/Q largest.bat" "/Q short.bat"; do
    echo -n "squeezle $run, terminal against file: "
    # shellcheck disable=SC2086 # the options and the input
    "$tools/pty-time" -n 40 -- "$build/squeezle" /O $run out.zcl
done
echo -n "true, terminal against file: "
"$tools/pty-time" -n 40 -- true
for input in largest short; do
    "$build/squeezle" /O $input.bat out.zcl >$input.console
    echo -n "cat of squeezle's text for $input.bat ($(wc -c <$input.console) bytes), terminal against file: "
    "$tools/pty-time" -n 40 -- cat $input.console
done
for program in "squeezle /O largest.bat out.zcl" "unsqueezle /Q /O largest.zcl back.bat"; do
    # shellcheck disable=SC2086 # the program and its arguments
    /usr/bin/time -f "${program%% *}: peak memory %M KiB" "$build"/$program >/dev/null
done
