#!/usr/bin/env python3
"""Takes the README's picture of the main window, on a private Xvfb.

usage: main_window_screenshot.py SKERROW_PROGRAM OUT.png

It generates a bank of voices, opens it in the program, copies a few voices into the destination
and saves the main window alone as a PNG.
"""

import os
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # keep the source folder clean
import user_journey as journey  # noqa: E402

NAMES = [b"BrassSect1", b"Strings", b"Flute", b"Lead Syn", b"Sax Solo", b"Trumpet", b"Oboe", b"Harmonica"]


def take(program_path, out, display, work):
    bank = os.path.join(work, "BANK01.1BK")
    with open(bank, "wb") as f:
        f.write(journey.voice_file(bytes(50), NAMES, 16, list(range(16))))
    env = dict(display.env, XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="runtime-", dir=work))
    program = subprocess.Popen([program_path], cwd=work, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        main = journey.close_about_and_open(display, program, bank)
        display.focus(main.window)
        for voice in (4, 1, 2):
            display.click(*main.source_row(voice), times=2)
        display.click(*main.source_row(6))
        journey.save_region(display, out, main.x, main.y, main.width, main.height)
    finally:
        program.kill()
        program.wait()


if __name__ == "__main__":
    sys.exit(journey.screenshot_main(take, __doc__))
