#!/usr/bin/env python3
"""Takes the README's picture of the Find voices window beside the main window, on a private Xvfb.

usage: find_voices_screenshot.py SKERROW_PROGRAM OUT.png

It generates a small collection (banks in folders and a floppy image made by mformat and mcopy,
some voices saved twice), scans it in File > Find voices, types part of a name, copies two of the
voices found into the destination and saves both windows as one PNG.
"""

import os
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # keep the source folder clean
import user_journey as journey  # noqa: E402

BRASS = [b"Brass Sect", b"Fat Horn", b"Trumpet 1", b"Horn Pad", b"Tuba Solo", b"Flugelhorn"]
HORNS = [b"French Hrn", b"Horn Pad", b"Alp Horn", b"Hunting"]
LEADS = [b"Sax Solo", b"Lead Syn", b"Shawm", b"Horny Lead"]


def collection(work):
    root = os.path.join(work, "Voices")
    for folder in ("Brass", "Leads", "Floppies"):
        os.makedirs(os.path.join(root, folder))
    files = {
        "Brass/BRASS.1BK": journey.voice_file(bytes(50), BRASS, 16, list(range(1, 17))),
        # Horn Pad again, block and all, under another bank.
        "Brass/HORNS.1BK": journey.voice_file(bytes(50), HORNS, 16, [20, 4, 22, 23] + list(range(24, 36))),
        "Leads/LEADS.1BK": journey.voice_file(bytes(50), LEADS, 16, list(range(40, 56))),
    }
    for name, data in files.items():
        with open(os.path.join(root, name), "wb") as f:
            f.write(data)
    image = os.path.join(root, "Floppies", "DISK07.img")
    env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
    subprocess.run(["mformat", "-C", "-f", "1440", "-i", image, "::"], env=env, check=True, timeout=30)
    subprocess.run(["mcopy", "-i", image, os.path.join(root, "Brass", "BRASS.1BK"), "::BRASSOLD.1BK"],
                   env=env, check=True, timeout=30)
    return root


def take(program_path, out, display, work):
    root = collection(work)
    env = dict(display.env, XDG_RUNTIME_DIR=tempfile.mkdtemp(prefix="runtime-", dir=work), HOME=work)
    program = subprocess.Popen([program_path], cwd=work, env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    try:
        main = journey.close_about_and_open(display, program, os.path.join(root, "Leads", "LEADS.1BK"))
        display.focus(main.window)
        display.xdotool("key", "--clearmodifiers", "alt+f")
        display.xdotool("key", "f")
        finder = display.wait_for("Find voices", program)
        display.focus(finder)
        display.xdotool("type", "--delay", 10, "~/Voices")
        display.xdotool("key", "Return")
        time.sleep(1)
        display.xdotool("type", "--delay", 50, "horn")
        display.xdotool("key", "Down", "shift+Down", "Return")
        time.sleep(0.5)
        # Side by side, as on a screen wide enough for both.
        fx, fy, fw, _ = display.geometry(finder)
        display.xdotool("windowmove", "--sync", main.window, fx + fw + 8, fy)
        time.sleep(0.3)
        boxes = [display.geometry(window) for window in (finder, main.window)]
        left = min(x for x, _, _, _ in boxes)
        top = min(y for _, y, _, _ in boxes)
        right = max(x + w for x, _, w, _ in boxes)
        bottom = max(y + h for _, y, _, h in boxes)
        journey.save_region(display, out, left, top, right - left, bottom - top)
    finally:
        program.kill()
        program.wait()


if __name__ == "__main__":
    sys.exit(journey.screenshot_main(take, __doc__))
