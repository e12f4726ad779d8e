#!/usr/bin/env python3
"""Runs the cases of the .toml files named: each case in a scratch folder of its own,
the real programs on real files. Prints a line per failed case and 'N passed, N failed'.

usage: run_cases.py --tool NAME=COMMAND... [--interpose LIBRARY] [--windows] CASES.toml...

A case makes its files (and, under `make`, folders, pipes, links and NUL bytes added
sparsely), runs its steps (program, arguments, setup, copies run at once) and compares each step's console
bytes (none when it names none; a list when the step waits partway: what arrives between
its waits) and exit status; then every file it names under `expect` must hold those bytes
(or be absent, match another file, have a size or a mode), and every other file it made
must be unchanged. Strings are bytes (U+0000 to U+00FF); in them {NAME} is a text of
[texts] (texts.toml's and the file's own), {TEXT*N} is TEXT N times, {#HEX} is bytes,
{<PATH} a source file, {lf:TEXT} TEXT with each CR LF made LF, {progress:N} the progress
lines of one pass. Under --windows, posix-only cases are skipped and every LF the
console prints is CR LF."""
import concurrent.futures, fcntl, math, os, pty, resource, select, shlex, subprocess, sys
import tempfile, threading, time, tomllib, tty

# The programs by name, the texts that case strings name, the source tree, the library
# that makes a program's file reads wait or its reads and writes be interrupted.
TOOLS, TEXTS, SOURCE = {}, {}, os.path.join(os.path.dirname(__file__), "..")
INTERPOSE = None
# A wait of the program's is 400 ms; a silence this long on its console is one.
WAIT_SEEN = 0.2

def expand(text):
    """The bytes that `text` stands for; a macro's body is expanded before the macro."""
    out, i = [], 0
    while i < len(text):
        if text[i] != "{":
            out.append(text[i])
            i += 1
            continue
        depth, j = 1, i + 1
        while depth:
            depth += {"{": 1, "}": -1}.get(text[j], 0)
            j += 1
        out.append(macro(expand(text[i + 1:j - 1]).decode("latin-1")))
        i = j
    return "".join(out).encode("latin-1")


def macro(body):
    if body in TEXTS:
        return expand(TEXTS[body]).decode("latin-1")
    if body.startswith("#"):
        return bytes.fromhex(body[1:]).decode("latin-1")
    if body.startswith("<"):
        return open(os.path.join(SOURCE, body[1:]), "rb").read().decode("latin-1")
    if body.startswith("lf:"):
        return body[3:].replace("\r\n", "\n")
    if body.startswith("progress:"):
        return "".join(f"Compressing line {n}\r" for n in range(1, int(body[9:]) + 1))
    what, times = body.rsplit("*", 1)
    return what * int(times)


def prepare(setup, folder):
    """What the step's setup asks: standard input and output, files held, hooks run in
    the child before it starts the program, whether the console is read late, the
    other ends of named pipes."""
    stdin, stdout, hold, hooks, slow, env, peers = None, "pipe", [], [], False, None, []
    for item in setup:
        key, _, value = item.partition("=")
        if key == "stdin":  # the bytes of a file of the folder, through a pipe
            stdin, feed = os.pipe()
            os.write(feed, open(os.path.join(folder, value), "rb").read())
            os.close(feed)
        elif key == "stdout":  # pty, gone, or a file of the folder
            stdout = value
        elif key == "fsize":
            hooks.append(lambda n=int(value): resource.setrlimit(resource.RLIMIT_FSIZE, (n, n)))
        elif key == "umask":
            hooks.append(lambda n=int(value, 8): os.umask(n))
        elif key == "close":
            hooks.append(lambda fds=value: [os.close(int(fd)) for fd in fds.split(",")])
        elif key in ("hold", "hold-shared"):  # another program holds the file, or reads it
            fd = os.open(os.path.join(folder, value), os.O_RDONLY)
            fcntl.flock(fd, fcntl.LOCK_EX if key == "hold" else fcntl.LOCK_SH)
            hold.append(fd)
        elif key == "nonblocking-late":  # a non-blocking pipe, read a second late
            slow = True
        elif key in ("write-late", "read-late"):  # a named pipe's writer or reader, a second late
            fifo, file = (os.path.join(folder, name) for name in value.split(":"))
            ends = (file, fifo) if key == "write-late" else (fifo, file)
            peers.append(threading.Thread(target=copy, args=ends, daemon=True))
            peers[-1].start()
        elif key in ("stall-reads", "interrupt-reads", "interrupt-writes", "interrupt-console-writes"):
            env = env or dict(os.environ, LD_PRELOAD=INTERPOSE, ASAN_OPTIONS=os.environ.get(
                "ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
            env[key.replace("-", "_").upper()] = value
        else:
            raise ValueError(f"unknown setup {item}")
    return stdin, stdout, hold, hooks, slow, env, peers


def copy(source, target):
    time.sleep(1)
    open(target, "wb").write(open(source, "rb").read())


def collect(child, fds, slow, limit=10):
    """What the child prints on each of `fds`, a list of (when, bytes), until it ends (not
    until the pipes close: a helper it starts, such as Wine's server, may hold them open)."""
    got, ends, deadline = {fd: [] for fd in fds}, list(fds), time.time() + limit
    if slow:
        time.sleep(1)
    while ends and time.time() < deadline:
        ended = child.poll() is not None
        ready = select.select(ends, [], [], 0 if ended else 0.02)[0]
        for fd in ready:
            try:
                data = os.read(fd, 65536)
            except OSError:  # a pseudo-terminal whose other side has closed
                data = b""
            if data:
                got[fd].append((time.monotonic(), data))
            else:
                ends.remove(fd)
        if ended and not ready:
            break
    try:  # every pipe may close before the child ends
        return got, child.wait(timeout=max(0, deadline - time.time()))
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
        return got, "timed out"


def run_step(step, folder):
    stdin, stdout, hold, hooks, slow, env, peers = prepare(step.get("setup", []), folder)
    words = step["args"]
    command = shlex.split(TOOLS[words[0]]) + [expand(w) for w in words[1:]]
    read_end, write_end = pty.openpty() if stdout == "pty" else os.pipe()
    if stdout == "pty":
        tty.setraw(write_end)
    elif stdout == "gone":  # nobody reads
        os.close(read_end)
        read_end = None
    elif stdout != "pipe":  # a file of the folder
        os.close(read_end)
        os.close(write_end)
        read_end = None
        write_end = os.open(os.path.join(folder, stdout), os.O_WRONLY | os.O_CREAT, 0o644)
    if slow:
        os.set_blocking(write_end, False)
    child = subprocess.Popen(
        command, cwd=folder, stdout=write_end, stderr=subprocess.PIPE, env=env,
        stdin=subprocess.DEVNULL if stdin is None else stdin,
        preexec_fn=(lambda: [hook() for hook in hooks]) if hooks else None)
    os.close(write_end)
    fds = [child.stderr.fileno()] + ([read_end] if read_end is not None else [])
    got, status = collect(child, fds, slow)
    for peer in peers:
        peer.join(10)
    for fd in hold + fds[1:]:
        os.close(fd)
    errors = b"".join(line for line in b"".join(data for _, data in got[fds[0]]).splitlines(True)
                      if not line.startswith(b"libgcov profiling error:"))
    return bursts(got.get(read_end, [])), errors, status


def bursts(chunks):
    """The console's bytes, split where it was silent for a wait."""
    parts, last = [b""], math.inf
    for when, data in chunks:
        if when - last >= WAIT_SEEN:
            parts.append(b"")
        parts[-1] += data
        last = when
    return parts


def make(items, folder):
    for item in items:
        kind, *names = item.split()
        paths = [os.path.join(folder, n) for n in names]
        {"dir": lambda: os.mkdir(paths[0]), "fifo": lambda: os.mkfifo(paths[0]),
         "link": lambda: os.link(paths[0], paths[1]),
         "symlink": lambda: os.symlink(names[0], paths[1]),
         "grow": lambda: os.truncate(paths[0], int(names[1]))}[kind]()  # NUL bytes, sparse


def check_case(case, windows):
    problems = []
    with tempfile.TemporaryDirectory(prefix="sqz-case-") as folder:
        made = {}
        for name, content in case.get("files", {}).items():
            path = os.path.join(os.fsencode(folder), expand(name))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            made[path] = expand(content)
            open(path, "wb").write(made[path])
        make(case.get("make", []), folder)
        for number, step in enumerate(case["run"], 1):
            with concurrent.futures.ThreadPoolExecutor() as pool:  # a step's copies run at once
                runs = list(pool.map(lambda _: run_step(step, folder),
                                     range(step.get("copies", 1))))
            for output, errors, status in runs:
                expected = step.get("stdout", "")
                expected = [expand(part) for part in (expected if isinstance(expected, list) else [expected])]
                if windows:
                    expected = [part.replace(b"\n", b"\r\n") for part in expected]
                if len(expected) == 1:  # a step that does not wait is judged by its bytes alone
                    output, expected = b"".join(output), expected[0]
                if output != expected:
                    problems.append(f"step {number} printed {output!r}\n  expected {expected!r}")
                if status != step.get("status", 0):
                    problems.append(f"step {number} ended with {status}")
                if errors:
                    problems.append(f"step {number} wrote to standard error: {errors!r}")
        expect = {os.path.join(os.fsencode(folder), expand(n)): want
                  for n, want in case.get("expect", {}).items()}
        for path, want in list(expect.items()) + [(p, None) for p in made if p not in expect]:
            problems += check_file(path, want, made, folder)
    return problems


def check_file(path, want, made, folder):
    name = os.path.relpath(path, os.fsencode(folder)).decode("latin-1")
    if want == "absent":
        return [f"{name} exists"] if os.path.lexists(path) else []
    if not os.path.isfile(path):
        return [f"{name} is missing"]
    mode, size = os.stat(path).st_mode & 0o777, os.path.getsize(path)
    if isinstance(want, dict) and "mode" in want:
        return [] if mode == int(want["mode"], 8) else [f"{name} has mode {mode:o}"]
    if isinstance(want, dict) and "size" in want:
        return [] if size == want["size"] else [f"{name} holds {size} bytes"]
    got = open(path, "rb").read()
    if isinstance(want, dict):
        want = open(os.path.join(os.fsencode(folder), expand(want["same"])), "rb").read()
    elif want is None:
        want = made[path]
    else:
        want = expand(want)
    return [] if got == want else [f"{name} holds {got[:120]!r}...\n  expected {want[:120]!r}..."]


def main(argv):
    global INTERPOSE
    windows = "--windows" in argv
    for flag, value in zip(argv, argv[1:]):
        if flag == "--tool":
            TOOLS.update([value.split("=", 1)])
        elif flag == "--interpose":
            INTERPOSE = value
    passed = failed = skipped = 0
    for path in [a for a in argv if a.endswith(".toml")]:
        TEXTS.clear()
        TEXTS.update(tomllib.load(open(os.path.join(os.path.dirname(path), "texts.toml"), "rb"))["texts"])
        data = tomllib.load(open(path, "rb"))
        TEXTS.update(data.get("texts", {}))
        for case in data.get("case", []):
            if case.get("posix" if windows else "windows"):
                skipped += 1
                continue
            problems = check_case(case, windows)
            passed, failed = passed + (not problems), failed + bool(problems)
            for problem in problems:
                print(f"FAILED {os.path.basename(path)}: {case['name']}: {problem}")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
