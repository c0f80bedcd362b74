#!/usr/bin/env python3
"""Runs skerrow-cli.exe under Wine on generated voice files, and the Linux skerrow-cli on the same
files, and fails unless both print the same bytes on standard output and standard error, end with
the status expected of the command and write the same files.

    tests/windows/cli_under_wine.py --linux build/release/bin/skerrow-cli \
        --windows build/windows/bin/skerrow-cli.exe [--runner cmake/wine-run]

Each command runs in the folder of the generated files with relative paths, so that both
programs are given the same arguments. The Wine prefix is the caller's (WINEPREFIX).
"""

import argparse
import os
import pty
import random
import select
import shutil
import subprocess
import sys
import tempfile
import time

BLOCK = 3072


def voice_file(rng, slots, names, blocks):
    """A voice file of slots slots, names[k] listed in entry k, blocks[k] as slot k + 1's data."""
    head = bytearray(BLOCK)
    head[0:50] = rng.randbytes(50)
    head[50] = slots
    for k, name in enumerate(names):
        head[1024 + 16 * k:1024 + 16 * k + 10] = name.ljust(10, b" ")[:10]
    return bytes(head) + b"".join(blocks) + bytes(BLOCK * (slots - len(blocks)))


DEEP = "lib/deep/" + "/".join(["d%d" % k + "d" * 42 for k in range(7)])


def generate(root):
    rng = random.Random(20)
    shared = rng.randbytes(BLOCK)
    files = {
        "lib/one.1vc": voice_file(rng, 1, [b"Solo"], [shared]),
        # Latin-1 bytes and a control byte in names, a folder name beyond ASCII.
        "lib/Bl\u00e4ser/bank.1bk": voice_file(rng, 16, [b"Horn \xe4", b"Tab\tName", b"Copy"],
                                                [rng.randbytes(BLOCK), rng.randbytes(BLOCK), shared]),
        "lib/deep/er/all.avc": voice_file(rng, 128, [b"V%03d" % k for k in range(20)],
                                          [rng.randbytes(BLOCK) for _ in range(20)]),
        "lib/noise.1bk": rng.randbytes(100),
        # Folders of more than 300 characters, beyond the old limit of 260 on Windows.
        DEEP + "/far.1vc": voice_file(rng, 1, [b"Far"], [rng.randbytes(BLOCK)]),
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


# Commands whose output must be the same, with the exit status both must end with, so that two
# programs failing alike pass for nothing; "{out}" is a folder of each program's own.
COMMANDS = [
    (0, ["list", "lib/Bl\u00e4ser/bank.1bk"]),
    (0, ["list", "--json", "lib/Bl\u00e4ser/bank.1bk"]),
    (0, ["info", "lib/deep/er/all.avc"]),
    (1, ["info", "--json", "lib/noise.1bk"]),
    (1, ["list", "lib/missing.1vc"]),
    (1, ["list", "lib/deep"]),
    (0, ["build", "{out}/mixed", "lib/Bl\u00e4ser/bank.1bk:3,1", "lib/deep/er/all.avc:2-5"]),
    (0, ["build", "--sort", "{out}/mixed.1bk", "lib/deep/er/all.avc:1-16"]),  # over the file just written
    (0, ["build", "{out}/all", "lib/deep/er/all.avc", "lib/one.1vc"]),
    (0, ["build", "{out}/one", "lib/Bl\u00e4ser/bank.1bk:2"]),
    (1, ["build", "{out}/no folder/x.1vc", "lib/one.1vc"]),
    (2, ["build", "{out}/wrong.avc", "lib/one.1vc"]),
    (1, ["build", "{out}/bad.1bk", "lib/one.1vc", "lib/noise.1bk"]),
    (0, ["find", "lib/"]),
    (0, ["find", "--name", "COPY", "--json", "lib/"]),
    (0, ["dupes", "-0", "lib/"]),
    (0, ["dupes", "--json", "lib/"]),
    (0, ["image", "new", "--720k", "{out}/disk.img"]),
    (1, ["image", "new", "--1440k", "{out}/disk.img"]),  # never over an existing file
]

# Paths only Windows has, each with the Linux arguments whose output it must give: "{long}/" starts
# the long form of the absolute path ("\\\\?\\Z:\\...\\"), "{dev}/" the device form with slashes
# ("//?/Z:/.../"). Walks below a path typed with backslashes print backslashes.
WINDOWS_FORMS = [
    (0, ["info", "{long}/lib/deep/er/all.avc"], ["info", "lib/deep/er/all.avc"]),
    (0, ["list", "{long}/lib/disk.img/MIX.1BK"], ["list", "lib/disk.img/MIX.1BK"]),
    (0, ["find", "{long}/lib"], ["find", "lib"]),
    (0, ["dupes", "{long}/lib"], ["dupes", "lib"]),
    (0, ["find", "{dev}/lib"], ["find", "lib"]),
    (0, ["find", "lib\\Bl\u00e4ser"], ["find", "lib/Bl\u00e4ser"]),
]

# Where a FAT boot sector keeps its volume serial number, which the time of making chooses.
SERIAL = slice(39, 43)


def run(program, runner, args, out, cwd):
    """The exit status, standard output and standard error of program run with args, its own
    folder out for {out}."""
    command = ([runner] if runner else []) + [program] + [a.replace("{out}", out) for a in args]
    # A UTF-8 locale on Linux, as the Windows build assumes for output that goes to no console.
    environment = dict(os.environ, LC_ALL="C.UTF-8")
    result = subprocess.run(command, cwd=cwd, env=environment, capture_output=True, timeout=120)
    mark = out.encode() + b"/"
    return result.returncode, result.stdout.replace(mark, b"{out}/"), result.stderr.replace(mark, b"{out}/")


def windows_form(argument, root):
    """argument with "{long}/" or "{dev}/" made the path of that form under root."""
    for mark, prefix, separator in (("{long}/", "\\\\?\\Z:", "\\"), ("{dev}/", "//?/Z:", "/")):
        if argument.startswith(mark):
            path = os.path.join(root, argument[len(mark):])
            return prefix + path.replace("/", separator)
    return argument


def on_console(runner, windows, root, args):
    """What a fresh console (code page 437) shows of a run of args, then of chcp, from a terminal."""
    exe = "Z:" + windows.replace("/", "\\")
    command = [runner, "cmd", "/c", "chcp 437 >nul & %s %s & chcp" % (exe, " ".join(args))]
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(root)
        os.execv(runner, command)
    shown = b""
    deadline = time.monotonic() + 120
    while time.monotonic() < deadline:
        if not select.select([fd], [], [], 1)[0]:
            continue
        try:
            data = os.read(fd, 65536)
        except OSError:
            break
        if not data:
            break
        shown += data
    os.waitpid(pid, 0)
    os.close(fd)
    return shown


def written_files(folder):
    """The files in folder by name, with the volume serial number of disk images left out."""
    files = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = bytearray(f.read())
        if name.endswith(".img"):
            data[SERIAL] = bytes(SERIAL.stop - SERIAL.start)
        files[name] = bytes(data)
    return files


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", required=True)
    parser.add_argument("--windows", required=True)
    parser.add_argument("--runner", default="")
    options = parser.parse_args()
    linux = os.path.abspath(options.linux)
    windows = os.path.abspath(options.windows)
    runner = os.path.abspath(options.runner) if options.runner else ""

    root = tempfile.mkdtemp(prefix="skerrow-wine-")
    failed = 0
    try:
        generate(root)
        # A disk image, made by the Linux tool, for paths that go into one.
        for args in (["image", "new", "--720k", "lib/disk.img"],
                     ["build", "lib/disk.img/MIX.1BK", "lib/deep/er/all.avc:1-3"]):
            subprocess.run([linux] + args, cwd=root, check=True, capture_output=True)
        for side in ("linux", "windows"):
            os.mkdir(os.path.join(root, side))
        for status, args in COMMANDS:
            mine = run(linux, "", args, "linux", root)
            theirs = run(windows, runner, args, "windows", root)
            same = mine == theirs and mine[0] == status
            print("%s  %s" % ("ok  " if same else "FAIL", " ".join(args)))
            if not same:
                failed += 1
                for side, (code, out, err) in (("linux", mine), ("windows", theirs)):
                    print("  %-7s exit %d (expected %d): %r, on standard error %r" %
                          (side, code, status, out[:400], err[:400]))
        for status, args, same_as in WINDOWS_FORMS:
            mine = run(linux, "", same_as, "linux", root)
            code, out, err = run(windows, runner, [windows_form(a, root) for a in args], "windows", root)
            # Paths come back as they were given: in the long form and with backslashes.
            typed = windows_form(args[1], root).encode()
            relative = same_as[1].encode()
            theirs = tuple([code] + [o.replace(typed, relative).replace(b"\\", b"/") for o in (out, err)])
            same = mine == theirs and mine[0] == status
            print("%s  %s" % ("ok  " if same else "FAIL", " ".join(args)))
            if not same:
                failed += 1
                print("  linux %r\n  windows %r" % (mine, theirs))
        # A console as Windows opens one (code page 437): names beyond ASCII shown as they are, the
        # backslashes typed kept single, and the code page as it was afterwards.
        shown = on_console(runner, windows, root, ["find", "lib\\Bl\u00e4ser"])
        same = ("lib\\Bl\u00e4ser\\bank.1bk".encode() in shown and b"\\x" not in shown and
                shown.count(b"Active code page: 437") == 1)
        print("%s  find on a fresh console" % ("ok  " if same else "FAIL"))
        if not same:
            failed += 1
            print("  shown %r" % shown)
        written = {side: written_files(os.path.join(root, side)) for side in ("linux", "windows")}
        same = written["linux"] == written["windows"]
        print("%s  written files: %s" % ("ok  " if same else "FAIL", ", ".join(written["linux"])))
        failed += 0 if same and written["linux"] else 1
    finally:
        shutil.rmtree(root, ignore_errors=True)
    checks = len(COMMANDS) + len(WINDOWS_FORMS) + 2
    print("%d passed, %d failed" % (checks - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
