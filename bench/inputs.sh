# The benchmarks' inputs and their way of timing, for bench/run.sh and
# bench/builds.sh to source: both run in a scratch folder, with $source the
# repository and $build a release build folder.

# make_inputs: writes the inputs into the current folder.
make_inputs() {
    # The largest accepted input: 63 lines of 1022 bytes and a CR, one of 989
    # and a CR; each counts its length plus one, 65503 in all.
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
    # The largest compressed file: the most characters, 65439, spread over the
    # 253 byte values a line can hold, so that 223 of them are literals: 92497
    # bytes.
    python3 -c '
values = [v for v in range(1, 256) if v not in (0x0A, 0x1A)]
open("spread.bat", "wb").write(bytes(values) * 258 + bytes(values[:165]))'
    "$build/squeezle" /Q /O spread.bat largest.zcl
}

# compare RUNS NAME COMMAND NAME COMMAND: the two commands run in turn, one run
# each, in an order drawn anew for every pair, RUNS pairs; prints both medians,
# the median of the ratios within a pair (the first's time over the second's)
# and, as its spread, the ratios' quartiles. This machine's speed can drift by a
# fifth within a second: runs side by side meet the same moment of it, where
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
ratios = [x / y for x, y in zip(times[a], times[b])]
low, mid, high = statistics.quantiles(ratios, n=4)
print(f"{a} median {median[a]:.3f} ms, {b} median {median[b]:.3f} ms, "
      f"{runs} runs each: ratio {mid:.3f} (quartiles {low:.3f}-{high:.3f})")
PY
}

size() { wc -c <"$1"; }
