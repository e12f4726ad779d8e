#!/usr/bin/env python3
"""How much single-byte damage `unsqueezle /T` finds in real-like compressed files.

usage: bench/damage.py [BUILD] [--values N | --all]
BUILD is a folder holding squeezle and unsqueezle (default build/release). squeezle
compresses examples/setup.bat and bench/scripts/*.bat; then, for every byte of each
compressed file, that byte is replaced by N other values (default 16, drawn with a fixed
seed per position, so that every run damages the same bytes alike) or, with --all, by each
of the other 255, and the real `unsqueezle /Q /T` tests every damaged file. A damaged file
is found when the test fails (status 2). Prints the share found per file and in all.
Not part of any test run."""
import argparse, concurrent.futures, os, random, subprocess, sys, tempfile, threading

source = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
parser = argparse.ArgumentParser()
parser.add_argument("build", nargs="?", default=os.path.join(source, "build", "release"))
parser.add_argument("--values", type=int, default=16)
parser.add_argument("--all", action="store_true")
options = parser.parse_args()
build = os.path.abspath(options.build)
scripts_folder = os.path.join(source, "bench", "scripts")
scripts = [os.path.join(source, "examples", "setup.bat")] + sorted(
    os.path.join(scripts_folder, name) for name in os.listdir(scripts_folder))


def tested(path):
    status = subprocess.run([os.path.join(build, "unsqueezle"), "/Q", "/T", path]).returncode
    if status not in (0, 2):
        sys.exit(f"unsqueezle ended with {status} on {path}")
    return status == 2


def values(position, original):
    others = [v for v in range(256) if v != original]
    return others if options.all else random.Random(position).sample(others, options.values)


def measure(folder, script, pool):
    name = os.path.splitext(os.path.basename(script))[0]
    packed = os.path.join(folder, name + ".zcl")
    subprocess.run([os.path.join(build, "squeezle"), "/Q", "/O", script, packed], check=True)
    image = open(packed, "rb").read()
    if tested(packed):
        sys.exit(f"{packed} is not sound")

    def found(damaged):  # each thread damages a file of its own
        path = os.path.join(folder, f"damaged-{threading.get_ident()}.zcl")
        open(path, "wb").write(damaged)
        return tested(path)

    hits = total = 0
    for position, original in enumerate(image):
        damaged = [image[:position] + bytes([value]) + image[position + 1:]
                   for value in values(position, original)]
        hits += sum(pool.map(found, damaged))
        total += len(damaged)
    print(f"{name}: {len(image)} bytes, {total} damaged files, {hits} found: "
          f"{100 * hits / total:.1f}%")
    return hits, total


# Two runs at a time: the machine's two cores.
with tempfile.TemporaryDirectory() as folder, concurrent.futures.ThreadPoolExecutor(2) as pool:
    results = [measure(folder, script, pool) for script in scripts]
hits, total = map(sum, zip(*results))
print(f"in all: {total} damaged files, {hits} found: {100 * hits / total:.1f}%")
