#!/usr/bin/env python3
# Runs the cases of the .toml files named: each case in a scratch folder of its own,
# the real programs on real files. Prints a line per failed case and 'N passed, N failed'.
#
# usage: run_cases.py --tool NAME=COMMAND... [--interpose LIBRARY] [--windows] CASES.toml...
#
# The case language. A file holds [texts] (its own, beside texts.toml's) and [[case]]s:
#   name        what the case shows
#   posix       true: POSIX only;  windows  true: Windows only
#   files       { NAME = BYTES }: made before the steps; every one not under `expect` must
#               be unchanged after them
#   make        [ "KIND ARGS" ], each word with macros: dir D | fifo F | link FILE NAME |
#               symlink TARGET NAME | chain N NAME TARGET (links NAME1 -> NAME2 ... NAMEN ->
#               TARGET) | chmod F OCTAL | grow F SIZE (NUL bytes added, sparse)
#   run         steps in order: { args = [PROGRAM, ARG...], setup = ["KEY=VALUE"...],
#               stdout = BYTES (or a list of parts, see waits.py), stderr = BYTES,
#               status = N (0) }; a step prints nothing unless it names its stdout
#               and its stderr
#   expect      { NAME = BYTES | "absent" (NAME may be a pattern) | { same = NAME } |
#               { size = N } | { mode = "OCTAL" } }
# A step's setup, each KEY=VALUE; any other key is an error:
#   stdin=F                 F's bytes through a pipe
#   stdout=pipe             a pipe (nonblocking: one that takes 4 KB at a time and refuses
#                           the rest; gone: one that nobody reads); or a file F of the folder,
#                           made if absent, never emptied (>>F: appended to, as a shell's >>)
#   fsize=N  umask=OCTAL  close=FD,...   limits and closed descriptors for the program
#   hold=F  hold-shared=F   another program holds F exclusively, or reads it
#   stall-reads=N,...  interrupt-reads=N,...  interrupt-writes=N,...
#   interrupt-console-writes=N,...  no-locks=1  no-links=1  no-tmpfile=1  random=N,...
#                           the interposed library (interpose.cpp)
# BYTES are strings of U+0000 to U+00FF with macros, each body expanded first:
#   {NAME}  a text     {TEXT*N}  TEXT N times     {TEXT%N}  TEXT for each number from 1
#   to N in the place of its %u (the operator is the one before the closing number)
#   {#HEX}  bytes      {<PATH}  a source file      {lf:TEXT}  TEXT with each CR LF made LF
# Under --windows, posix-only cases are skipped, every LF the console prints is CR LF, and
# the programs run under the C.UTF-8 locale, so that Wine takes names as UTF-8.
import fcntl, glob, os, re, resource, shlex, subprocess, sys, tempfile, tomllib

# The programs by name, the texts that case strings name, the source tree, the library
# that makes a program's reads and writes be interrupted or wait.
TOOLS, TEXTS, SOURCE = {}, {}, os.path.join(os.path.dirname(__file__), "..")
INTERPOSE = None


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
    what, operator, times = re.fullmatch(r"(.*)([*%])(\d+)", body, re.S).groups()
    if operator == "*":
        return what * int(times)
    return "".join(what.replace("%u", str(n)) for n in range(1, int(times) + 1))


INTERPOSED = ("stall-reads", "interrupt-reads", "interrupt-writes", "interrupt-console-writes",
              "no-locks", "no-links", "no-tmpfile", "random")
KEYS = ("stdin", "stdout", "fsize", "umask", "close", "hold", "hold-shared") + INTERPOSED


def setup_items(setup, keys=KEYS):
    """The step's setup as (key, value) pairs; a key not in `keys` is an error."""
    items = [item.partition("=")[::2] for item in setup]
    unknown = [key for key, _ in items if key not in keys]
    if unknown:
        raise ValueError(f"unknown setup {', '.join(unknown)}")
    return items


def prepare(setup, folder):
    """What the step's setup asks: standard input and output, files held, hooks run in
    the child before it starts the program, the interposed library's variables."""
    stdin, stdout, hold, hooks, env = None, "file", [], [], None
    for key, value in setup_items(setup):
        if key == "stdin":  # the bytes of a file of the folder, through a pipe
            stdin, feed = os.pipe()
            os.write(feed, open(os.path.join(folder, value), "rb").read())
            os.close(feed)
        elif key == "stdout":  # pipe, nonblocking, gone, or a file of the folder
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
        else:  # the interposed library's
            env = env or dict(os.environ, LD_PRELOAD=INTERPOSE, ASAN_OPTIONS=os.environ.get(
                "ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
            env[key.replace("-", "_").upper()] = value
    return stdin, stdout, hold, hooks, env


def run_step(step, folder):
    """Each run of the step (here one): its console bytes, what it wrote to standard
    error, its status. The console is a file unless the step asks for a pipe; a run
    that hangs is ended after 10 s."""
    stdin, stdout, hold, hooks, env = prepare(step.get("setup", []), folder)
    words = step["args"]
    command = shlex.split(TOOLS[words[0]]) + [expand(w) for w in words[1:]]
    with tempfile.TemporaryFile() as console, tempfile.TemporaryFile() as errors:
        target = console
        if stdout in ("pipe", "nonblocking"):
            target = subprocess.PIPE
        if stdout == "nonblocking":  # a pipe that takes 4 KB at a time and refuses the rest
            hooks.append(lambda: (os.set_blocking(1, False), fcntl.fcntl(1, fcntl.F_SETPIPE_SZ, 4096)))
        elif stdout == "gone":  # a pipe that nobody reads
            reader, target = os.pipe()
            os.close(reader)
        elif stdout not in ("file", "pipe"):  # a file of the folder, >>F appended to
            append = os.O_APPEND if stdout.startswith(">>") else 0
            target = os.open(os.path.join(folder, stdout.removeprefix(">>")),
                             os.O_WRONLY | os.O_CREAT | append, 0o644)
        try:
            done = subprocess.run(
                command, cwd=folder, stdout=target, stderr=errors, env=env, timeout=10,
                stdin=subprocess.DEVNULL if stdin is None else stdin,
                preexec_fn=(lambda: [hook() for hook in hooks]) if hooks else None)
            output, status = done.stdout, done.returncode
        except subprocess.TimeoutExpired:
            output, status = b"", "timed out"
        for fd in hold + ([target] if isinstance(target, int) and target >= 0 else []):
            os.close(fd)
        console.seek(0), errors.seek(0)
        noise = b"libgcov profiling error:"  # a coverage build's, whole or cut by a size limit
        return [(output or console.read(), b"".join(
            line for line in errors if not (line.startswith(noise) or noise.startswith(line))), status)]


def make(items, folder):
    for item in items:
        kind, *names = [expand(word).decode("latin-1") for word in item.split()]
        paths = [os.path.join(folder, n) for n in names]
        {"dir": lambda: os.mkdir(paths[0]), "fifo": lambda: os.mkfifo(paths[0]),
         "link": lambda: os.link(paths[0], paths[1]),
         "symlink": lambda: os.symlink(names[0], paths[1]),
         "chain": lambda: [os.symlink(f"{names[1]}{n + 1}" if n < int(names[0]) else names[2],
                                      f"{paths[1]}{n}") for n in range(1, int(names[0]) + 1)],
         "chmod": lambda: os.chmod(paths[0], int(names[1], 8)),
         "grow": lambda: os.truncate(paths[0], int(names[1]))}[kind]()  # NUL bytes, sparse


CASE_KEYS = {"name", "posix", "windows", "files", "make", "run", "expect"}
STEP_KEYS = {"args", "setup", "stdout", "stderr", "status"}


def check_case(case, windows, run=run_step, step_keys=STEP_KEYS):
    """The problems of one case; `run` runs a step and gives each run's console bytes (a
    list of them where the step's console is judged in parts), errors and status; a step
    key not in `step_keys` is an error."""
    unknown = set(case) - CASE_KEYS | {k for step in case["run"] for k in step} - step_keys
    if unknown:
        raise ValueError(f"{case['name']}: unknown key {', '.join(sorted(unknown))}")
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
            expected = step.get("stdout", "")
            expected = ([expand(part) for part in expected] if isinstance(expected, list)
                        else expand(expected))
            expected_errors = expand(step.get("stderr", ""))
            if windows:
                expected = expected.replace(b"\n", b"\r\n")
                expected_errors = expected_errors.replace(b"\n", b"\r\n")
            for output, errors, status in run(step, folder):
                if output != expected:
                    problems.append(f"step {number} printed {output!r}\n  expected {expected!r}")
                if status != step.get("status", 0):
                    problems.append(f"step {number} ended with {status}")
                if errors != expected_errors:
                    problems.append(f"step {number} wrote to standard error {errors!r}\n"
                                    f"  expected {expected_errors!r}")
        expect = {os.path.join(os.fsencode(folder), expand(n)): want
                  for n, want in case.get("expect", {}).items()}
        for path, want in list(expect.items()) + [(p, None) for p in made if p not in expect]:
            problems += check_file(path, want, made, folder)
    return problems


def check_file(path, want, made, folder):
    name = os.path.relpath(path, os.fsencode(folder)).decode("latin-1")
    if want == "absent":  # a name, or a pattern that no name may match
        return [f"{name} exists"] if glob.glob(glob.escape(os.path.dirname(path)) + b"/" +
                                               os.path.basename(path)) else []
    if not os.path.isfile(path):
        return [f"{name} is missing"]
    mode, size = os.stat(path).st_mode & 0o777, os.path.getsize(path)
    if isinstance(want, dict) and "mode" in want:
        return [] if mode == int(want["mode"], 8) else [f"{name} has mode {mode:o}"]
    if isinstance(want, dict) and "size" in want:
        return [] if size == want["size"] else [f"{name} holds {size} bytes"]
    got = open(path, "rb").read()
    want = (made[path] if want is None else expand(want) if isinstance(want, str) else
            open(os.path.join(os.fsencode(folder), expand(want["same"])), "rb").read())
    return [] if got == want else [f"{name} holds {got[:120]!r}...\n  expected {want[:120]!r}..."]


def main(argv, run=run_step, step_keys=STEP_KEYS):
    global INTERPOSE
    windows = "--windows" in argv
    if windows:  # Wine reads the arguments' bytes and makes file names in the locale's charset
        os.environ["LC_ALL"] = "C.UTF-8"
    for flag, value in zip(argv, argv[1:]):
        if flag == "--tool":
            TOOLS.update([value.split("=", 1)])
        elif flag == "--interpose":
            INTERPOSE = value
    passed = failed = skipped = 0
    for path in [a for a in argv if a.endswith(".toml")]:
        TEXTS.clear()
        TEXTS.update(tomllib.load(open(os.path.join(SOURCE, "tests/cases/texts.toml"), "rb"))["texts"])
        data = tomllib.load(open(path, "rb"))
        TEXTS.update(data.get("texts", {}))
        for case in data.get("case", []):
            if case.get("posix" if windows else "windows"):
                skipped += 1
                continue
            problems = check_case(case, windows, run, step_keys)
            passed, failed = passed + (not problems), failed + bool(problems)
            for problem in problems:
                print(f"FAILED {os.path.basename(path)}: {case['name']}: {problem}")
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
