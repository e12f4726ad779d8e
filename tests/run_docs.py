#!/usr/bin/env python3
# Runs the examples of the README and the manual pages: the text is the test.
#
# usage: run_docs.py PROGRAMS_FOLDER EXAMPLES_FOLDER DOCUMENT...
#
# An example is a block whose first line is a command: a fenced block (```) of a
# Markdown file, or an .EX/.EE block of a manual page, whose escapes \- \e \& \(aq
# stand for the characters they print. Any other block (a synopsis, a makefile, a
# message with N for its number) is no example. In an example a line that begins
# with "$ " is a command; the lines after it, up to the next command, are what it
# prints, standard output and standard error together.
#
# The examples of a document run in its order, in one scratch folder that holds a
# copy of EXAMPLES_FOLDER as examples/, as a reader at the repository's root runs
# them: each command by /bin/sh, with the programs' folder first on PATH. Later
# examples build on earlier ones, so a document stops at its first failure.
# - A command shown without output must end with status 0; what it prints is not
#   compared.
# - A command shown with output must print it. The lines are compared as a terminal
#   shows them, each text after a CR written over the start of its line (so progress
#   lines vanish), and a line "..." stands for any number of lines. The status is not
#   judged: what the command prints says whether it failed.
# - An example that builds or installs (a command that names apt-get, dpkg, cmake or
#   ctest, or a program in build/) needs what a test cannot have: it is skipped, and
#   a line says so.
import difflib, functools, os, re, shutil, subprocess, sys, tempfile

BUILDS = re.compile(r"\b(apt-get|dpkg|cmake|ctest)\b|(^|[\s;&|])build/")
ESCAPES = {"-": "-", "e": "\\", "&": "", "(aq": "'"}


def examples(path):
    """Each example of the document: its commands, each with its line number and the
    lines it shows. `steps` is None outside a block, False in a block that is no example."""
    page = not path.endswith(".md")
    start, end = (".EX", ".EE") if page else ("```", "```")
    found, steps = [], None
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        line = re.sub(r"\\(\(aq|[-e&])", lambda m: ESCAPES[m[1]], line) if page else line
        if steps is None:
            steps = [] if line.startswith(start) else None
        elif line == end:
            found += [steps] if steps else []
            steps = None
        elif line.startswith("$ ") and steps is not False:
            steps.append((number, line[2:], []))
        elif steps:
            steps[-1][2].append(line)
        else:
            steps = False
    return found


def screen(output):
    """The lines a terminal shows of `output`: a text after a CR is written over its line."""
    lines = output.decode("latin-1").removesuffix("\n").split("\n") if output else []
    return [functools.reduce(lambda shown, part: part + shown[len(part):], line.split("\r"), "")
            for line in lines]


def matches(shown, expected):
    pattern = "".join("(.*\n)*" if line == "..." else re.escape(line + "\n") for line in expected)
    return re.fullmatch(pattern, "".join(line + "\n" for line in shown)) is not None


def run_document(path, folder, env):
    """The document's problems, each a line; runs its examples in order until one fails."""
    name, found = os.path.basename(path), examples(path)
    problems = [] if found else [f"{name}: no example"]
    for steps in found:
        if any(BUILDS.search(command) for _, command, _ in steps):
            print(f"skipped {name}:{steps[0][0]}: it builds or installs")
            continue
        for number, command, expected in steps:
            done = subprocess.run(["/bin/sh", "-c", command], cwd=folder, env=env, timeout=60,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT)
            shown = screen(done.stdout)
            if not expected and done.returncode != 0:
                problems.append(f"{name}:{number}: {command}: status {done.returncode}")
            elif expected and not matches(shown, expected):
                diff = difflib.unified_diff(expected, shown, "shown", "printed", lineterm="")
                problems.append(f"{name}:{number}: {command}\n" + "\n".join(diff))
            if problems:
                return problems
    return problems


def main(argv):
    programs, shipped, documents = argv[0], argv[1], argv[2:]
    env = dict(os.environ, PATH=os.path.abspath(programs) + os.pathsep + os.environ["PATH"])
    failed = 0
    for path in documents:
        with tempfile.TemporaryDirectory(prefix="sqz-docs-") as folder:
            shutil.copytree(shipped, os.path.join(folder, "examples"))
            problems = run_document(path, folder, env)
        failed += bool(problems)
        print("\n".join(f"FAILED {problem}" for problem in problems) or f"passed {path}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
