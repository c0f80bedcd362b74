#!/usr/bin/env python3
"""Times skerrow-cli find and dupes on a generated library, side by side with reading the same
bytes with head and cat, and prints the ratios; then find given every file as its own PATH (all
of them and half of them, to show the time is linear in the number of PATHs), find and dupes
on a tree deeper than PATH_MAX, and dupes on .avc files whose blocks all differ but were made to
share one hash of an unkeyed block hash, against as many ordinary .avc files.

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


MASK = (1 << 64) - 1
ODD = 0x9E3779B97F4A7C15
ODD_INVERSE = pow(ODD, -1, 1 << 64)


def rotate(value, bits):
    return ((value << bits) | (value >> (64 - bits))) & MASK


def colliding_block(rng, prefix, targets):
    """A block that differs from the others only in its last 40 bytes, the last 32 of which force
    the four lanes of a plain multiply-rotate block hash (no key) to targets: any number of
    different blocks then share one hash, and telling two apart takes a read of almost all."""
    body = prefix + rng.randbytes(8)
    lanes = [ODD, ODD ^ 1, ODD ^ 2, ODD ^ 3]
    words = memoryview(body).cast("Q")
    for i in range(0, len(words), 4):
        for lane in range(4):
            lanes[lane] = rotate(((lanes[lane] ^ words[i + lane]) * ODD) & MASK, 29)
    tail = b"".join(((lanes[lane] ^ ((rotate(targets[lane], 64 - 29) * ODD_INVERSE) & MASK))
                     .to_bytes(8, "little")) for lane in range(4))
    return body + tail


def generate_avc(root, count, seed, crafted):
    """count .avc files of 128 different voices each; crafted: every block made to collide."""
    rng = random.Random(seed)
    targets = [rng.getrandbits(64) for _ in range(4)]
    prefix = rng.randbytes(BLOCK - 40)
    os.makedirs(root)
    for i in range(count):
        head = bytearray(BLOCK)
        head[50] = 128
        for k in range(128):
            head[1024 + 16 * k:1024 + 16 * k + 10] = b"V%04d%05d" % (i % 10000, k)
        blocks = [colliding_block(rng, prefix, targets) if crafted else rng.randbytes(BLOCK) for _ in range(128)]
        with open(os.path.join(root, "c%04d.avc" % i), "wb") as f:
            f.write(bytes(head) + b"".join(blocks))


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


def time_library(cli, root, options, timer, use_hyperfine):
    """find and dupes against head and cat, many PATHs, and a deep tree."""
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


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default=os.path.join(here, "..", "..", "build", "release", "bin", "skerrow-cli"))
    parser.add_argument("--only-crafted", action="store_true", help="time the colliding set alone")
    parser.add_argument("--files", type=int, default=20000)
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--seed", type=int, default=7)
    parser.add_argument("--depth", type=int, default=500, help="folders in the deep tree")
    parser.add_argument("--crafted", type=int, default=100, help=".avc files in the colliding set")
    parser.add_argument("--keep", action="store_true", help="keep the generated library")
    parser.add_argument("--no-hyperfine", action="store_true", help="time by hand even if hyperfine is there")
    options = parser.parse_args()

    cli = os.path.abspath(options.cli)
    if not os.access(cli, os.X_OK):
        sys.exit("no skerrow-cli at %s (build the release preset, or pass --cli)" % cli)

    root = tempfile.mkdtemp(prefix="skerrow-bench-")
    try:
        use_hyperfine = shutil.which("hyperfine") and not options.no_hyperfine
        timer = time_with_hyperfine if use_hyperfine else time_by_hand
        if not options.only_crafted:
            time_library(cli, root, options, timer, use_hyperfine)

        crafted = os.path.join(root, "crafted")
        ordinary = os.path.join(root, "ordinary")
        generate_avc(crafted, options.crafted, options.seed, True)
        generate_avc(ordinary, options.crafted, options.seed, False)
        collision_commands = [
            ("dupes, ordinary", "%s dupes %s > /dev/null" % (cli, ordinary)),
            ("dupes, crafted", "%s dupes %s > /dev/null" % (cli, crafted)),
        ]
        medians = timer(collision_commands, options.runs)
        print("colliding blocks (%d .avc files, %d voices):" % (options.crafted, options.crafted * 128))
        for name, _ in collision_commands:
            print("  %-28s %8.3f s" % (name, medians[name]))
        print("crafted / ordinary: %.2fx (target 2x)" % (medians["dupes, crafted"] / medians["dupes, ordinary"]))
    finally:
        if options.keep:
            print("library kept in %s" % root)
        else:
            shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
