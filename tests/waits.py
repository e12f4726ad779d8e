#!/usr/bin/env python3
# The cases in which when things happen matters, kept apart from the case runner,
# which only runs steps and compares bytes: what a terminal is sent before and after the
# program waits, named pipes whose other end comes late, and runs that read one file at
# once. The cases are the runner's, with these setups in their steps:
#   stdout=pty          the console is a pseudo-terminal; a list of console texts is what
#                       it receives between the program's waits (silences of SILENCE)
#   write-late=P:F      a second late, another process writes the file F into the pipe P
#   read-late=P:F       a second late, another process reads the pipe P into the file F
#   signal=NAME@S       the signal SIGNAME is sent to the run S seconds after it starts
#   ignore=NAME         the run starts with SIGNAME ignored, as under nohup
#   kill-9=N:F          N runs, each killed (SIGKILL) at a random moment of the time that
#                       a whole run takes; after each, F must hold what it held before the
#                       run or what a whole run leaves there, and the folder nothing more
#                       (errors say otherwise)
#   entries=S:F         S seconds after the start, each entry the run has made in the
#                       folder so far, a line "NAME MODE" (octal permissions), goes into F
#   rename=A:B@S        S seconds after the start, the folder's A is renamed B
# and any of the runner's others, such as stall-reads=N,... (the Nth reads wait 400 ms).
# A step may also name `copies = N`: N runs of the step at once.
#
# usage: waits.py --tool NAME=COMMAND... --interpose LIBRARY waits.toml
import concurrent.futures, os, pty, random, shlex, signal, subprocess, sys, threading, time, tty

import run_cases

SILENCE = 0.2  # the interposed library's waits are 400 ms
LATE = 1


def copy(source, target):
    time.sleep(LATE)
    try:
        open(target, "wb").write(open(source, "rb").read())
    except BrokenPipeError:  # the reader was ended on purpose
        pass


def kill_at_random(command, folder, env, value):
    count, name = value.split(":")
    path, quiet = os.path.join(folder, name), dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
    old, started, listing = open(path, "rb").read(), time.monotonic(), sorted(os.listdir(folder))
    subprocess.run(command, cwd=folder, env=env, **quiet)
    took, new, problems = time.monotonic() - started, open(path, "rb").read(), []
    for moment in (random.uniform(0, took) for _ in range(int(count))):
        open(path, "wb").write(old)
        child = subprocess.Popen(command, cwd=folder, env=env, **quiet)
        time.sleep(moment)
        child.kill(), child.wait()
        if open(path, "rb").read() not in (old, new):
            problems.append(f"killed after {moment:.4f} s, {name} is neither the old file nor the new")
        if sorted(os.listdir(folder)) != listing:
            problems.append(f"killed after {moment:.4f} s, the folder holds {sorted(os.listdir(folder))}")
    return [(b"", "\n".join(problems).encode(), 0)]


def entries_made(folder, value):
    """A timer that writes the entries made in the folder since now into a file of it."""
    seconds, name = value.split(":")
    before = set(os.listdir(folder))

    def look():
        made = [(n, os.lstat(os.path.join(folder, n)).st_mode) for n in set(os.listdir(folder)) - before]
        open(os.path.join(folder, name), "w").write("".join(f"{n} {m & 0o777:o}\n" for n, m in sorted(made)))
    return threading.Timer(float(seconds), look)


def renamed_later(folder, value):
    names, _, seconds = value.partition("@")
    return threading.Timer(float(seconds), os.rename, [os.path.join(folder, n) for n in names.split(":")])


def run_once(command, folder, env, terminal, signal_at=None, ignored=None):
    read_end, write_end = pty.openpty() if terminal else os.pipe()
    if terminal:
        tty.setraw(write_end)
    child = subprocess.Popen(command, cwd=folder, stdout=write_end, stderr=subprocess.PIPE,
                             stdin=subprocess.DEVNULL, env=env, preexec_fn=ignored and (
                                 lambda: signal.signal(getattr(signal, "SIG" + ignored), signal.SIG_IGN)))
    os.close(write_end)
    if signal_at:
        name, _, seconds = signal_at.partition("@")
        threading.Timer(float(seconds), child.send_signal, [getattr(signal, "SIG" + name)]).start()
    parts, last = [b""], time.monotonic()
    while True:
        try:
            data = os.read(read_end, 65536)
        except OSError:  # a pseudo-terminal whose other side has closed
            data = b""
        if not data:
            break
        if time.monotonic() - last >= SILENCE and parts[-1]:
            parts.append(b"")
        parts[-1] += data
        last = time.monotonic()
    os.close(read_end)
    return (parts if terminal else b"".join(parts)), child.stderr.read(), child.wait(timeout=10)


OWN = ("write-late", "read-late", "signal", "ignore", "kill-9", "entries", "rename")


def run_step(step, folder):
    items = run_cases.setup_items(step.get("setup", []), run_cases.KEYS + OWN)
    terminal = ("stdout", "pty") in items
    # The console is this runner's own: prepare() only notes what stdout asks.
    _, _, _, _, env = run_cases.prepare([f"{k}={v}" for k, v in items if k not in OWN], folder)
    words = step["args"]
    command = shlex.split(run_cases.TOOLS[words[0]]) + [run_cases.expand(w) for w in words[1:]]
    peers, signal_at, ignored = [], None, None
    for key, value in items:
        if key == "kill-9":
            return kill_at_random(command, folder, env, value)
        signal_at = value if key == "signal" else signal_at
        ignored = value if key == "ignore" else ignored
        if key in ("entries", "rename"):
            peers.append((entries_made if key == "entries" else renamed_later)(folder, value))
        if key.endswith("-late"):
            pipe, file = (os.path.join(folder, name) for name in value.split(":"))
            ends = (file, pipe) if key == "write-late" else (pipe, file)
            peers.append(threading.Thread(target=copy, args=ends, daemon=True))
    for peer in peers:
        peer.start()
    with concurrent.futures.ThreadPoolExecutor() as pool:
        runs = [pool.submit(run_once, command, folder, env, terminal, signal_at, ignored)
                for _ in range(step.get("copies", 1))]
        results = [run.result() for run in runs]
    for peer in peers:
        peer.join(10)
    return results


if __name__ == "__main__":
    sys.exit(run_cases.main(sys.argv[1:], run_step, run_cases.STEP_KEYS | {"copies"}))
