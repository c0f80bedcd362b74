#!/usr/bin/env python3
"""find and dupes of skerrow-cli.exe against walk_baseline.exe, under the same Wine in the same run,
on 2,000 generated bank files in 60 folders; the best of five runs of each.

    bench/windows/walk_bench.py build/windows/bin/skerrow-cli.exe [--runner cmake/wine-run]

walk_baseline.exe is compiled here with the same mingw-w64 compiler."""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

BLOCK = 3072


def bank(rng, index, shared):
    head = bytearray(rng.randbytes(50) + bytes([16]) + bytes(BLOCK - 51))
    for k in range(16):
        head[1024 + 16 * k:1024 + 16 * k + 10] = b"N%04d%02d  " % (index, k)
    # One voice in a hundred is shared by several banks, as in a real collection.
    blocks = [shared[index % len(shared)] if k == 0 and index % 100 == 0 else rng.randbytes(BLOCK)
              for k in range(16)]
    return bytes(head) + b"".join(blocks)


def best(command, cwd, runs=5):
    times = []
    for _ in range(runs):
        start = time.monotonic()
        subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        times.append(time.monotonic() - start)
    return min(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--runner", default="wine")
    options = parser.parse_args()
    here = os.path.dirname(os.path.abspath(__file__))
    root = tempfile.mkdtemp(prefix="skerrow-walk-bench-")
    try:
        baseline = os.path.join(root, "walk_baseline.exe")
        subprocess.run(["x86_64-w64-mingw32-g++-posix", "-std=c++20", "-O2", "-municode", "-static", "-o",
                        baseline, os.path.join(here, "walk_baseline.cpp")], check=True)
        rng = random.Random(9)
        shared = [rng.randbytes(BLOCK) for _ in range(4)]
        for i in range(2000):
            folder = os.path.join(root, "tree", "f%02d" % (i % 20), "g%d" % (i % 3))
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "b%04d.1bk" % i), "wb") as f:
                f.write(bank(rng, i, shared))
        runner = [os.path.abspath(options.runner)] if os.path.exists(options.runner) else [options.runner]
        cli = os.path.abspath(options.cli)
        best(runner + [baseline, "tree"], root, 1)  # the prefix started, the files in the cache
        base = best(runner + [baseline, "tree"], root)
        find = best(runner + [cli, "find", "tree"], root)
        dupes = best(runner + [cli, "dupes", "tree"], root)
        print("| baseline (FindFirstFileExW, 3072 bytes of each file) | %.0f ms | 1.00 |" % (base * 1000))
        print("| skerrow-cli.exe find | %.0f ms | %.2f |" % (find * 1000, find / base))
        print("| skerrow-cli.exe dupes | %.0f ms | %.2f |" % (dupes * 1000, dupes / base))
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
