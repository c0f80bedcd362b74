#!/usr/bin/env python3
"""Times skerrow-cli find and dupes on a generated library, side by side with reading the same
bytes with head and cat, and prints the ratios; then find given every file as its own PATH (all
of them and half of them, to show the time is linear in the number of PATHs), and find and dupes
on a tree deeper than PATH_MAX.

    bench/cli/cli_bench.py [--cli build/release/bin/skerrow-cli] [--files 20000] [--runs 10]

The library (voice files only, in nested folders, about a third of the voices saved more than
once under other names) is generated in a temporary folder and removed afterwards unless --keep
is given. The page cache is warmed before timing, so both sides read from memory. hyperfine is
used when it is installed; otherwise each command is run --runs times, interleaved, and the
median is taken.
"""

import argparse
import json
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BLOCK = 3072
FILES_PER_FOLDER = 100
# Shares of the three formats in the library: single voices, banks, all-voice files.
FORMATS = ((1, ".1vc", 0.60), (16, ".1bk", 0.35), (128, ".avc", 0.05))
DUPLICATE_SHARE = 0.3
POPULAR_VOICES = 4000


def voice_file(rng, slots, popular):
    """A complete voice file: every slot named, blocks fresh or drawn from the popular ones."""
    head = bytearray(BLOCK)
    head[0:50] = rng.randbytes(50)
    head[50] = slots
    blocks = []
    for k in range(slots):
        name = bytes(rng.choice(b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 \xe4\xf6")
                     for _ in range(10))
        head[1024 + 16 * k:1024 + 16 * k + 10] = name
        if rng.random() < DUPLICATE_SHARE:
            blocks.append(popular[rng.randrange(len(popular))])
        else:
            blocks.append(rng.randbytes(BLOCK))
    return bytes(head) + b"".join(blocks)


def generate(root, count, seed):
    rng = random.Random(seed)
    popular = [rng.randbytes(BLOCK) for _ in range(POPULAR_VOICES)]
    weights = [share for _, _, share in FORMATS]
    total = 0
    for i in range(count):
        slots, ext, _ = rng.choices(FORMATS, weights)[0]
        folder = os.path.join(root, "set%03d" % (i // FILES_PER_FOLDER // 10),
                              "disk%04d" % (i // FILES_PER_FOLDER))
        os.makedirs(folder, exist_ok=True)
        data = voice_file(rng, slots, popular)
        with open(os.path.join(folder, "v%05d%s" % (i, ext)), "wb") as f:
            f.write(data)
        total += len(data)
    return total


def generate_deep(root, depth, seed):
    """A chain of depth folders with one single-voice file in each, all of one voice."""
    rng = random.Random(seed)
    data = voice_file(rng, 1, [rng.randbytes(BLOCK)])
    os.makedirs(root)
    fd = os.open(root, os.O_RDONLY)
    try:
        for level in range(depth):
            name = "level%04d-%s" % (level, "x" * 20)
            os.mkdir(name, dir_fd=fd)
            inner = os.open(name, os.O_RDONLY, dir_fd=fd)
            os.close(fd)
            fd = inner
            with open(os.open("v.1vc", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=fd), "wb") as f:
                f.write(data)
    finally:
        os.close(fd)


def remove_deep(root):
    """shutil.rmtree walks by descriptors too, so a path beyond PATH_MAX is no trouble."""
    shutil.rmtree(root, ignore_errors=True)


def time_with_hyperfine(commands, runs):
    with tempfile.NamedTemporaryFile(suffix=".json") as export:
        args = ["hyperfine", "--style", "basic", "--warmup", "2", "--runs", str(runs),
                "--export-json", export.name]
        for name, command in commands:
            args += ["--command-name", name, command]
        subprocess.run(args, check=True, stdout=sys.stderr)
        with open(export.name) as f:
            results = json.load(f)["results"]
    return {r["command"]: r["median"] for r in results}


def time_by_hand(commands, runs):
    times = {name: [] for name, _ in commands}
    for name, command in commands:  # warm-up round
        subprocess.run(command, shell=True, check=True)
    for _ in range(runs):
        for name, command in commands:
            start = time.perf_counter()
            subprocess.run(command, shell=True, check=True)
            times[name].append(time.perf_counter() - start)
    return {name: statistics.median(values) for name, values in times.items()}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(here, "..", "..", "build", "release", "bin", "skerrow-cli"))
    parser.add_argument("--files", type=int, default=20000)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--depth", type=int, default=500, help="folders in the deep tree")
    parser.add_argument("--keep", action="store_true", help="keep the generated library")
    parser.add_argument("--no-hyperfine", action="store_true", help="time by hand even if hyperfine is there")
    options = parser.parse_args()

    cli = os.path.abspath(options.cli)
    if not os.access(cli, os.X_OK):
        sys.exit("no skerrow-cli at %s (build the release preset, or pass --cli)" % cli)

    root = tempfile.mkdtemp(prefix="skerrow-bench-")
    try:
        library = os.path.join(root, "library")
        started = time.perf_counter()
        size = generate(library, options.files, options.seed)
        print("library: %d voice files, %.0f MB, generated in %.1f s"
              % (options.files, size / 1e6, time.perf_counter() - started))
        subprocess.run("find %s -type f -print0 | xargs -0 cat > /dev/null" % library, shell=True, check=True)

        lib = library
        commands = [
            ("heads with head", "find %s -type f -print0 | xargs -0 head -q -c %d > /dev/null" % (lib, BLOCK)),
            ("skerrow-cli find", "%s find %s > /dev/null" % (cli, lib)),
            ("files with cat", "find %s -type f -print0 | xargs -0 cat > /dev/null" % lib),
            ("skerrow-cli dupes", "%s dupes %s > /dev/null" % (cli, lib)),
        ]
        use_hyperfine = shutil.which("hyperfine") and not options.no_hyperfine
        timer = time_with_hyperfine if use_hyperfine else time_by_hand
        medians = timer(commands, options.runs)

        print("timing: %s, median of %d runs, warm cache, %d cores"
              % ("hyperfine" if use_hyperfine else "by hand", options.runs, os.cpu_count()))
        for name, _ in commands:
            print("  %-20s %8.3f s" % (name, medians[name]))
        find_ratio = medians["skerrow-cli find"] / medians["heads with head"]
        dupes_ratio = medians["skerrow-cli dupes"] / medians["files with cat"]
        print("find  / head: %.2fx (target 1.2x)" % find_ratio)
        print("dupes / cat:  %.2fx (target 1.5x)" % dupes_ratio)

        # Every file as a PATH of its own: the time must grow with the count, not its square.
        paths = sorted(os.path.join(dirpath, name) for dirpath, _, names in os.walk(lib) for name in names)
        lists = {}
        for label, chosen in (("all", paths), ("half", paths[: len(paths) // 2])):
            lists[label] = os.path.join(root, "paths-%s" % label)
            with open(lists[label], "wb") as f:
                f.write(b"\0".join(p.encode() for p in chosen))
        many = [
            ("find, one PATH per file", "xargs -0 -s 2000000 -a %s %s find > /dev/null" % (lists["all"], cli)),
            ("find, half as many PATHs", "xargs -0 -s 2000000 -a %s %s find > /dev/null" % (lists["half"], cli)),
        ]
        medians = timer(many, options.runs)
        print("many PATHs (%d and %d files named one by one):" % (len(paths), len(paths) // 2))
        for name, _ in many:
            print("  %-28s %8.3f s" % (name, medians[name]))
        print("all / half: %.2fx (linear: 2x)"
              % (medians["find, one PATH per file"] / medians["find, half as many PATHs"]))

        deep = os.path.join(root, "deep")
        generate_deep(deep, options.depth, options.seed)
        deep_commands = [
            ("find, %d folders deep" % options.depth, "%s find %s > /dev/null" % (cli, deep)),
            ("dupes, %d folders deep" % options.depth, "%s dupes %s > /dev/null" % (cli, deep)),
        ]
        medians = timer(deep_commands, options.runs)
        print("deep tree (%d voice files, paths up to %d bytes):" % (options.depth, options.depth * 31))
        for name, _ in deep_commands:
            print("  %-28s %8.3f s" % (name, medians[name]))
        remove_deep(deep)
    finally:
        if options.keep:
            print("library kept in %s" % root)
        else:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
