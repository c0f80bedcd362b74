#!/usr/bin/env python3
"""The window program's command line where no display is: a terminal or a remote shell.

usage: command_line.py SKERROW_PROGRAM

Each row starts the program with no display named and checks its exit status and what it printed:
the help, the version and usage errors need no display, and files given with none end with a
plain message rather than an abort. Options of Qt's own after "--" are files, not options, so
they cannot make the program run without a display.
"""

import os
import re
import subprocess
import sys
import tempfile

NO_DISPLAY = "skerrow: no display could be opened to show the window on\n"

# arguments, exit status, the stream that must hold the text, a pattern the text must match
ROWS = [
    (["--help"], 0, "stdout", r"^usage: skerrow \[FILE\.\.\.\]\n"),
    (["--version"], 0, "stdout", r"^skerrow \d+\.\d+\.\d+\n$"),
    (["--bogus"], 2, "stderr", r"^skerrow: unknown option --bogus\nusage: skerrow "),
    (["-style"], 2, "stderr", r"^skerrow: missing value for -style\nusage: skerrow "),
    (["a.1bk", "b.1bk"], 1, "stderr", re.escape(NO_DISPLAY) + "$"),
    (["--", "-platform", "offscreen", "-reverse"], 1, "stderr", re.escape(NO_DISPLAY) + "$"),
]


def main():
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    program = os.path.abspath(sys.argv[1])
    failures = 0
    with tempfile.TemporaryDirectory() as runtime:
        os.chmod(runtime, 0o700)
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE")}
        env.update(XDG_RUNTIME_DIR=runtime, HOME=runtime)
        for arguments, status, stream, pattern in ROWS:
            try:
                result = subprocess.run([program, *arguments], env=env, cwd=runtime, capture_output=True,
                                        text=True, timeout=30)
            except subprocess.TimeoutExpired:
                print("FAILED: skerrow %s still ran after 30 s" % " ".join(arguments))
                failures += 1
                continue
            text = getattr(result, stream)
            if result.returncode != status or not re.search(pattern, text):
                print("FAILED: skerrow %s: exit status %d (expected %d), %s:\n%s"
                      % (" ".join(arguments), result.returncode, status, stream, text))
                failures += 1
    print("%d of %d rows failed" % (failures, len(ROWS)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
