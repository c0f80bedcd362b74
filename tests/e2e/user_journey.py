#!/usr/bin/env python3
"""A user's journey through the real Skerrow window, driven under X with xdotool.

usage: user_journey.py SKERROW_PROGRAM OUTPUT_FOLDER

It generates its own voice files, starts the program for ten of them in one launch (as a file
manager does for files opened together, one name holding a byte that is not UTF-8 and one a line
feed) on the display named by SKERROW_TEST_DISPLAY (or on a private Xvfb when that is unset) and
goes through it as a person would: closes the About window with a click, finds the last file of
the launch open, opens a bank with the keyboard, copies voices with a double-click and with Shift
and the copy button, saves with a typed name, checks the saved file byte for byte against bytes
computed here, drags three voices into the middle of the destination and two entries to its end,
saves and checks again, copies one more voice, deletes an entry and takes that back with Ctrl+Z,
saves and checks again, opens a bank inside a floppy disk image that mformat and mcopy made,
copies two of its voices, saves them into a new disk image and reads the file back with mcopy,
finds two voices of the images with File > Find voices and saves them,
starts the program a second time for another file and finds it open in
the same window, copies one more voice, closes the window, starts the program once more while
the close prompt is up (that one must become the new window, since the old one is ending),
answers No and expects the old program to end cleanly, having written nothing under its private
home and configuration folders. Last, with no program running, it starts two at the same moment
and expects one window. There is no window manager: windows are found by their titles and
focused directly. On failure the screenshots taken along the way and a last one stay in
OUTPUT_FOLDER with the program's output.
"""

import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

HEAD = 3072
BLOCK = 3072
CLIENT_HEIGHT = 321  # the main window's client area below its menu bar, in pixels
WAIT_SECONDS = 60  # generous: the sanitizer build starts slowly


class JourneyFailed(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Voice files, built and predicted here, independently of the program.

def voice_block(seed):
    return bytes((seed * 37 + i * 11 + (i >> 8)) & 0xFF for i in range(BLOCK))


def voice_file(preamble, names, slots, block_seeds):
    """A voice file with the given 50-byte preamble, directory names (raw bytes, at most 10 each,
    shorter ones ended by a zero byte) and one block per slot."""
    assert len(preamble) == 50 and len(block_seeds) == slots
    head = bytearray(HEAD)
    head[0:50] = preamble
    head[50] = slots
    for k, name in enumerate(names):
        entry = 1024 + 16 * k
        head[entry:entry + len(name)] = name
    return bytes(head) + b"".join(voice_block(seed) for seed in block_seeds)


def expected_file(preamble, entries, slots):
    """What the writer must produce for destination entries (name shown, block data), in order."""
    head = bytearray(HEAD)
    head[0:50] = preamble
    head[50] = slots
    for k, (name, _) in enumerate(entries):
        entry = 1024 + 16 * k
        head[entry:entry + 10] = name[:10].ljust(10, b" ")
    blocks = b"".join(block for _, block in entries)
    return bytes(head) + blocks + bytes(BLOCK * (slots - len(entries)))


# ---------------------------------------------------------------------------------------------
# The display.

class Display:
    def __init__(self, output):
        self.output = output
        self.xvfb = None
        self.name = os.environ.get("SKERROW_TEST_DISPLAY")
        if not self.name:
            self.start_xvfb()
        self.env = dict(os.environ, DISPLAY=self.name, QT_QPA_PLATFORM="xcb")
        self.env.pop("QT_QPA_PLATFORM_FOR_TESTS", None)
        self.shots = 0

    def start_xvfb(self):
        if not shutil.which("Xvfb"):
            raise JourneyFailed("Xvfb is missing: run scripts/install-deps")
        read_end, write_end = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise JourneyFailed("Xvfb did not start")
        self.name = ":" + number

    def close(self):
        if self.xvfb:
            self.xvfb.terminate()
            self.xvfb.wait(timeout=10)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True,
                                text=True, timeout=30)
        if check and result.returncode != 0:
            raise JourneyFailed("xdotool %s failed: %s" % (" ".join(map(str, args)),
                                                          result.stderr.strip()))
        return result.stdout

    def screenshot(self, label):
        self.shots += 1
        path = os.path.join(self.output, "%02d-%s.png" % (self.shots, label))
        subprocess.run(["import", "-window", "root", path], env=self.env, capture_output=True,
                       timeout=30)
        return path

    def find(self, title):
        """The visible windows whose whole title is title."""
        pattern = "^%s$" % "".join("\\" + c if c in "\\^$.|?*+()[]{}" else c for c in title)
        out = self.xdotool("search", "--onlyvisible", "--name", pattern, check=False)
        return [int(w) for w in out.split()]

    def wait_for(self, title, program):
        deadline = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < deadline:
            windows = self.find(title)
            if windows:
                return windows[-1]
            if program.poll() is not None:
                raise JourneyFailed("the program ended (exit code %s) while waiting for the window %r"
                                    % (program.returncode, title))
            time.sleep(0.2)
        raise JourneyFailed("no window titled %r appeared" % title)

    def wait_gone(self, title, seconds=WAIT_SECONDS):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if not self.find(title):
                return
            time.sleep(0.2)
        raise JourneyFailed("the window titled %r stayed open" % title)

    def geometry(self, window):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).split():
            key, _, value = line.partition("=")
            values[key] = int(value)
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def focus(self, window):
        # No window manager: nobody hands the focus on when a dialog closes.
        self.xdotool("windowfocus", "--sync", window)

    def click(self, x, y, times=1):
        self.xdotool("mousemove", "--sync", x, y)
        self.xdotool("click", "--repeat", times, "--delay", 60, 1)

    def request_close(self, window):
        """What the close box does: the WM_DELETE_WINDOW message of the window protocols."""
        x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XInternAtom.restype = ctypes.c_ulong
        x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                   ctypes.c_void_p]
        x11.XFlush.argtypes = [ctypes.c_void_p]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                        ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                        ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                        ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]

        display = x11.XOpenDisplay(self.name.encode())
        if not display:
            raise JourneyFailed("cannot open the display %s" % self.name)
        try:
            event = Event()
            event.message.type = 33  # ClientMessage
            event.message.send_event = 1
            event.message.display = display
            event.message.window = window
            event.message.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.message.format = 32
            event.message.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            event.message.data[1] = 0  # CurrentTime
            if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
                raise JourneyFailed("cannot send the close request")
            x11.XFlush(display)
        finally:
            x11.XCloseDisplay(display)


# ---------------------------------------------------------------------------------------------
# The journey.

def journey(program_path, display, work):
    preamble = bytes(range(100, 150))
    names = [b"BrassSect1", b"Strings", b"Flute     ", b"Lead Syn"]
    seeds = list(range(1, 17))
    bank = os.path.join(work, "bank.1bk")
    with open(bank, "wb") as f:
        f.write(voice_file(preamble, names, 16, seeds))
    source = [(name.split(b"\0")[0], voice_block(seed)) for name, seed in zip(names, seeds)]
    saved_path = os.path.join(work, "saved", "mybank.1bk")
    os.mkdir(os.path.dirname(saved_path))
    disk = DiskImage(work)

    first = os.path.join(work, "first.1vc")
    with open(first, "wb") as f:
        f.write(voice_file(preamble, [b"Solo"], 1, [40]))
    later = os.path.join(work, "later", "later.avc")
    os.mkdir(os.path.dirname(later))
    with open(later, "wb") as f:
        f.write(voice_file(preamble, [b"Organ", b"Bells"], 128, list(range(128))))
    # Nine banks before it, two with names no text encoding round-trips.
    together = [os.path.join(work, os.fsdecode(name)) for name in
                [b"B%02d.1bk" % i for i in range(7)] + [b"latin\xe9.1bk", b"new\nline.1bk"]]
    for k, path in enumerate(together):
        with open(path, "wb") as f:
            f.write(voice_file(preamble, [b"Bank%d" % k], 16, list(range(16))))
    together.append(first)

    log = open(os.path.join(display.output, "skerrow.log"), "wb")
    env = dict(display.env)
    # Private folders: the program must leave its home and configuration folders untouched, and
    # its own temporary folder must be gone when it ends.
    private = {name: tempfile.mkdtemp(prefix=name.lower() + "-", dir=work)
               for name in ("HOME", "XDG_CONFIG_HOME", "TMPDIR", "XDG_RUNTIME_DIR")}
    os.chmod(private["XDG_RUNTIME_DIR"], 0o700)
    env.update(private)
    env["LSAN_OPTIONS"] = leak_options(env.get("LSAN_OPTIONS", ""), work)
    program = subprocess.Popen([program_path, *[os.path.basename(f) for f in together]], cwd=work,
                               env=env, stdout=log, stderr=subprocess.STDOUT)
    started = [program]
    try:
        run(display, program, bank, source, preamble, saved_path, disk)
        second_start(display, program, later, env, log)
        successor = close_without_saving(display, program, saved_path, together[0], env, log, started)
        exit_code = program.wait(timeout=WAIT_SECONDS)
        if exit_code != 0:
            raise JourneyFailed("the program ended with exit code %d" % exit_code)
        end_successor(display, successor, together[0])
        race(display, program_path, together[1:3], env, log, started)
        for name in ("HOME", "XDG_CONFIG_HOME", "TMPDIR"):
            left = [os.path.join(top, entry) for top, dirs, files in os.walk(private[name])
                    for entry in dirs + files]
            if left:
                raise JourneyFailed("the program left %s in %s" % (", ".join(left), name))
    finally:
        for left in started:
            if left.poll() is None:
                display.screenshot("still-running")
                left.kill()
                left.wait()
        log.close()


class MainWindow:
    """The main window on the screen: its id and the screen point of a client-area position."""

    def __init__(self, display, window):
        self.display = display
        self.window = window
        self.x, self.y, self.width, self.height = display.geometry(window)
        self.menu = self.height - CLIENT_HEIGHT
        self.row = None

    def at(self, cx, cy):
        return self.x + cx, self.y + self.menu + cy

    def source_row(self, index):
        """The middle of row index of the source list (List1 at 8,48, rows of equal height)."""
        if self.row is None:
            self.row = row_height(self.display, self.window, self.at)
        x, y = self.at(8 + 40, 48)
        return x, y + 3 + self.row * index + self.row // 2

    def dest_row(self, index):
        """The middle of row index of the destination list (List2 at 216,48, level with List1)."""
        x, y = self.source_row(index)
        return x + 216 - 8, y


def main_windows(display):
    return [w for w in display.xdotool("search", "--onlyvisible", "--name", "^Skerrow \\(",
                                       check=False).split()]


def close_about_and_open(display, program, path, given=None):
    """Closes the About window with a click on its logo, expects the main window to show the file
    the program was started for (given, if any), and opens the source file at path with
    File > Open... from the keyboard; returns the main window with that file open."""
    about = display.wait_for("About", program)
    display.screenshot("about")
    if main_windows(display):
        raise JourneyFailed("the main window was shown before the About window was closed")
    x, y, _, _ = display.geometry(about)
    display.click(x + 60, y + 60)
    display.wait_gone("About")

    main = display.wait_for("Skerrow (%s)" % (os.path.basename(given) if given else "no open file"), program)
    display.focus(main)
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "o")
    choose_file(display, display.wait_for("Open", program), "Open", path, program)
    main = display.wait_for("Skerrow (%s)" % os.path.basename(path), program)
    display.screenshot("opened")
    return MainWindow(display, main)


def run(display, program, bank, source, preamble, saved_path, disk):
    main = close_about_and_open(display, program, bank, "first.1vc")
    if len(main_windows(display)) != 1:
        raise JourneyFailed("files opened together gave more than one main window")

    # A double-click on the second voice of the source list.
    display.focus(main.window)
    display.click(*main.source_row(1), times=2)
    # Shift and the copy button (Command4, 33 x 33 at 162,48) copy every voice of the source.
    copy_x, copy_y = main.at(162 + 16, 48 + 16)
    display.xdotool("mousemove", "--sync", copy_x, copy_y)
    display.xdotool("keydown", "shift")
    display.xdotool("click", 1)
    display.xdotool("keyup", "shift")
    time.sleep(0.3)
    display.screenshot("copied")

    # File > Save as... with a typed name, no extension: the bank extension is added.
    display.focus(main.window)
    save_as(display, program, saved_path)
    display.screenshot("saved")

    entries = [source[1]] + source
    expected = expected_file(preamble, entries, 16)
    with open(saved_path, "rb") as f:
        saved = f.read()
    if saved != expected:
        first = next((i for i, (a, b) in enumerate(zip(saved, expected)) if a != b), None)
        raise JourneyFailed("the saved file differs from the expected bytes: %d bytes, %d expected, "
                            "first difference at %s" % (len(saved), len(expected), first))

    entries = drag_and_reorder(display, program, main, entries, source, preamble,
                               os.path.join(os.path.dirname(saved_path), "dragged.1bk"))
    undo_a_delete(display, program, main, entries, source, preamble,
                  os.path.join(os.path.dirname(saved_path), "undone.1bk"))
    into_disk_image(display, program, main, disk)
    find_voices(display, program, main, disk, os.path.join(os.path.dirname(saved_path), "found.1bk"))


class DiskImage:
    """A 1.44 MB floppy image made by mformat, with a file that is no voice file and a bank in a
    folder copied in by mcopy, and the path of a new image to save into."""

    def __init__(self, work):
        self.env = dict(os.environ, MTOOLS_SKIP_CHECK="1")
        self.preamble = bytes(range(7, 57))
        names = [b"Pad Warm", b"Pad Cold", b"Pad Glass"]
        seeds = list(range(60, 76))
        self.source = [(name, voice_block(seed)) for name, seed in zip(names, seeds)]
        folder = os.path.join(work, "disks")
        os.mkdir(folder)
        self.path = os.path.join(folder, "DISK01.img")
        self.target = os.path.join(folder, "NEW.img")
        bank = os.path.join(work, "pads.bin")
        with open(bank, "wb") as f:
            f.write(voice_file(self.preamble, names, 16, seeds))
        notes = os.path.join(work, "notes.bin")
        with open(notes, "wb") as f:
            f.write(b"no voices here\n")
        self.mtools("mformat", "-C", "-f", "1440", "-i", self.path, "::")
        self.mtools("mcopy", "-i", self.path, notes, "::README.TXT")
        self.mtools("mmd", "-i", self.path, "::BANKS")
        self.mtools("mcopy", "-i", self.path, bank, "::BANKS/PADS.1BK")

    def mtools(self, *args):
        done = subprocess.run(args, env=self.env, capture_output=True, timeout=30)
        if done.returncode != 0:
            raise JourneyFailed("%s failed: %s" % (" ".join(args), done.stderr.decode(errors="replace")))
        return done.stdout


def into_disk_image(display, program, main, disk):
    """Empties the saved destination with File > New, opens the bank inside the disk image through
    File > Open and the chooser, copies its first and third voices with double-clicks, saves them
    with File > Save to disk image into a new image under the name offered, and reads that file
    back with mcopy: the bytes a saved bank must have, on a disk fsck.fat finds nothing wrong with."""
    display.focus(main.window)
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "n")
    time.sleep(0.3)
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "o")
    choose_file(display, display.wait_for("Open", program), "Open", disk.path, program)
    chooser = display.wait_for("Open from disk image", program)
    display.screenshot("image-chooser")
    display.focus(chooser)
    display.xdotool("key", "End")
    display.xdotool("key", "Return")
    display.wait_for("Skerrow (DISK01.img/BANKS/PADS.1BK)", program)
    display.focus(main.window)
    display.click(*main.source_row(0), times=2)
    time.sleep(0.3)
    display.click(*main.source_row(2), times=2)
    time.sleep(0.3)

    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "i")
    dialog = display.wait_for("Save to disk image", program)
    display.focus(dialog)
    display.xdotool("type", "--delay", 20, disk.target)
    display.screenshot("save-to-image")
    display.xdotool("key", "Return")
    display.wait_gone("Save to disk image")
    wait_for_file(disk.target, program)
    display.wait_gone("File Save Progress")

    saved = disk.mtools("mcopy", "-n", "-i", disk.target, "::UNTITLED.1BK", "-")
    if saved != expected_file(disk.preamble, [disk.source[0], disk.source[2]], 16):
        raise JourneyFailed("the bank saved into the disk image differs from the expected bytes")
    check = subprocess.run(["fsck.fat", "-n", disk.target], capture_output=True, timeout=30)
    if check.returncode != 0:
        raise JourneyFailed("fsck.fat finds the new disk image damaged: %s" % check.stdout.decode())


def find_voices(display, program, main, disk, found_path):
    """Empties the destination, opens File > Find voices, scans the folder of the disk images
    (the one mformat made and the one just saved into), types part of a name, moves down into
    the results, copies the first two with Shift+Down and Enter, saves them with File > Save as
    and checks the bytes: the voices of the bank inside the image, whose file is the source."""
    display.focus(main.window)
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "n")
    time.sleep(0.3)
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "f")
    finder = display.wait_for("Find voices", program)
    display.focus(finder)
    display.xdotool("type", "--delay", 20, os.path.dirname(disk.path))
    display.xdotool("key", "Return")
    time.sleep(1)
    # Pad Cold and Pad Glass of DISK01.img/BANKS/PADS.1BK come first; Pad Glass and Pad Warm are
    # in NEW.img too.
    display.xdotool("type", "--delay", 50, "pAD ")
    time.sleep(0.3)
    display.xdotool("key", "Down", "shift+Down")
    display.screenshot("find-voices")
    display.xdotool("key", "Return")
    time.sleep(0.3)
    display.xdotool("key", "Escape")
    display.wait_gone("Find voices")

    display.focus(main.window)
    save_as(display, program, found_path)
    with open(found_path, "rb") as f:
        saved = f.read()
    if saved != expected_file(disk.preamble, [disk.source[1], disk.source[2]], 16):
        raise JourneyFailed("the voices copied from Find voices were not saved as expected")


def drag(display, start, end):
    """Presses at start, moves to end in steps, as a hand does, and lets go there."""
    display.xdotool("mousemove", "--sync", *start)
    display.xdotool("mousedown", 1)
    steps = 8
    for i in range(1, steps + 1):
        display.xdotool("mousemove", "--sync", start[0] + (end[0] - start[0]) * i // steps,
                        start[1] + (end[1] - start[1]) * i // steps)
        time.sleep(0.05)
    time.sleep(0.2)
    display.xdotool("mouseup", 1)
    time.sleep(0.3)


def drag_and_reorder(display, program, main, entries, source, preamble, dragged_path):
    """Drags source voices 0, 2 and 3 into the gap above the second destination entry, then the
    first and the sixth entries to the end, saves and checks the bytes; returns the entries."""
    display.focus(main.window)
    display.click(*main.source_row(0))
    display.xdotool("keydown", "ctrl")
    display.click(*main.source_row(2))
    display.click(*main.source_row(3))
    display.xdotool("keyup", "ctrl")
    x, y = main.dest_row(1)
    drag(display, main.source_row(3), (x, y - main.row // 4))
    entries = entries[:1] + [source[0], source[2], source[3]] + entries[1:]
    display.screenshot("dragged-in")

    display.click(*main.dest_row(0))
    display.xdotool("keydown", "ctrl")
    display.click(*main.dest_row(5))
    display.xdotool("keyup", "ctrl")
    drag(display, main.dest_row(5), main.dest_row(len(entries) + 2))
    entries = [e for k, e in enumerate(entries) if k not in (0, 5)] + [entries[0], entries[5]]
    display.screenshot("reordered")

    display.focus(main.window)
    save_as(display, program, dragged_path)
    with open(dragged_path, "rb") as f:
        if f.read() != expected_file(preamble, entries, 16):
            raise JourneyFailed("the file saved after the drags differs from the expected bytes")
    return entries


def undo_a_delete(display, program, main, entries, source, preamble, undone_path):
    """Copies the third source voice with a double-click, deletes the first entry with the Delete
    key, takes that back with Ctrl+Z, saves and checks the bytes: the copy stays, the delete is
    gone."""
    display.focus(main.window)
    display.click(*main.source_row(2), times=2)
    time.sleep(0.3)
    display.click(*main.dest_row(0))
    display.xdotool("key", "Delete")
    time.sleep(0.3)
    display.screenshot("deleted")
    display.xdotool("key", "ctrl+z")
    time.sleep(0.3)
    display.screenshot("undone")

    save_as(display, program, undone_path)
    with open(undone_path, "rb") as f:
        if f.read() != expected_file(preamble, entries + [source[2]], 16):
            raise JourneyFailed("the file saved after Ctrl+Z differs from the list before the delete")



def second_start(display, program, path, env, log):
    """Starts the program again for the file at path, from another folder, as a file manager
    would: it must hand the file to the running window and end, and that window opens it."""
    second = subprocess.run([program.args[0], path], cwd="/", env=env, stdout=log,
                            stderr=subprocess.STDOUT, timeout=WAIT_SECONDS)
    if second.returncode != 0:
        raise JourneyFailed("the second start ended with exit code %d" % second.returncode)
    display.wait_for("Skerrow (%s)" % os.path.basename(path), program)
    display.screenshot("handed-over")
    if len(main_windows(display)) != 1:
        raise JourneyFailed("a second main window appeared")


def race(display, program_path, files, env, log, started):
    """With no program running, starts a program for files and another for the last of them at the
    same moment: exactly one window must come up, the other handing its files to it and ending."""
    # Whichever wins, the last file is shown at some point.
    starts = [subprocess.Popen([program_path, *given], cwd="/", env=env, stdout=log,
                               stderr=subprocess.STDOUT) for given in (files, files[-1:])]
    started.extend(starts)
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        ended = [p for p in starts if p.poll() is not None]
        if len(ended) == len(starts) - 1:
            break
        time.sleep(0.1)
    else:
        raise JourneyFailed("of %d programs started together, %d handed their files over"
                            % (len(starts), len(ended)))
    if any(p.returncode != 0 for p in ended):
        raise JourneyFailed("a program started with others ended with an error")
    window = next(p for p in starts if p.poll() is None)
    about = display.wait_for("About", window)
    x, y, _, _ = display.geometry(about)
    display.click(x + 60, y + 60)
    display.wait_gone("About")
    shown = display.wait_for("Skerrow (%s)" % os.path.basename(files[-1]), window)
    display.screenshot("raced")
    if len(main_windows(display)) != 1:
        raise JourneyFailed("programs started together gave more than one main window")
    display.request_close(shown)
    if window.wait(timeout=WAIT_SECONDS) != 0:
        raise JourneyFailed("the window of the programs started together ended with exit code %d"
                            % window.returncode)


def close_without_saving(display, program, saved_path, path, env, log, started):
    """Makes the list unsaved again and closes the window; while it asks, starts the program for
    the file at path, which must not be handed to the ending window but start a new one. Answers
    No and returns that new program."""
    main = MainWindow(display, display.wait_for("Skerrow (later.avc)", program))
    display.focus(main.window)
    display.click(*main.source_row(0), times=2)
    time.sleep(0.3)
    display.request_close(main.window)
    query = display.wait_for("Query", program)
    display.screenshot("query")
    successor = subprocess.Popen([program.args[0], path], cwd="/", env=env, stdout=log,
                                 stderr=subprocess.STDOUT)
    started.append(successor)
    display.wait_for("About", successor)
    display.focus(query)
    with open(saved_path, "rb") as f:
        saved = f.read()
    display.xdotool("key", "n")
    deadline = time.monotonic() + WAIT_SECONDS
    while program.poll() is None and time.monotonic() < deadline:
        time.sleep(0.2)
    with open(saved_path, "rb") as f:
        if f.read() != saved:
            raise JourneyFailed("answering No changed the saved file")
    return successor


def end_successor(display, successor, path):
    """The program started during the prompt shows the file it was given; closing it with an
    empty list ends it without asking."""
    about = display.wait_for("About", successor)
    x, y, _, _ = display.geometry(about)
    display.click(x + 60, y + 60)
    main = display.wait_for("Skerrow (%s)" % os.path.basename(path), successor)
    display.request_close(main)
    if successor.wait(timeout=WAIT_SECONDS) != 0:
        raise JourneyFailed("the program started during the prompt ended with exit code %d"
                            % successor.returncode)


def choose_file(display, dialog, title, path, program):
    """Types path into the file dialog's name field and accepts it."""
    display.focus(dialog)
    display.xdotool("key", "ctrl+a")
    display.xdotool("type", "--delay", 20, path)
    # The name field's completer may take the first Return for itself.
    for _ in range(3):
        display.xdotool("key", "Return")
        try:
            display.wait_gone(title, seconds=5)
            return
        except JourneyFailed:
            display.focus(dialog)
    display.screenshot("dialog-stuck")
    raise JourneyFailed("the %r dialog did not take the path %s" % (title, path))


def row_height(display, main, at):
    """The height of a row of the source list, measured in a screenshot of the list: the distance
    between the tops of the first two names (each starts with a capital letter)."""
    display.focus(main)
    x, y = at(8, 48)
    shot = os.path.join(display.output, "rows.ppm")
    subprocess.run(["import", "-window", "root", "-crop", "129x199+%d+%d" % (x, y), "+repage",
                    "-depth", "8", shot], env=display.env, check=True, timeout=30)
    with open(shot, "rb") as f:
        data = f.read()
    os.remove(shot)
    magic, size, _, pixels = data.split(b"\n", 3)  # binary PPM: P6, width height, 255, RGB rows
    width, height = map(int, size.split())
    if magic != b"P6" or len(pixels) < width * height * 3:
        raise JourneyFailed("unexpected screenshot format")

    def inked(r):  # black text somewhere in the left part of row r
        line = pixels[r * width * 3:(r * width + 80) * 3]
        return any(max(line[i:i + 3]) < 100 for i in range(12, len(line), 3))

    tops = [r for r in range(1, height) if inked(r) and not inked(r - 1)]
    if len(tops) < 2:
        raise JourneyFailed("cannot find the rows of the source list")
    return tops[1] - tops[0]


def leak_options(options, work):
    """LSAN_OPTIONS for the program: the suppressions it was given plus those of a real display."""
    given = [o for o in options.split(":") if o]
    merged = os.path.join(work, "lsan.supp")
    with open(merged, "w") as out:
        for option in given:
            if option.startswith("suppressions="):
                with open(option.partition("=")[2]) as f:
                    out.write(f.read() + "\n")
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")) as f:
            out.write(f.read())
    kept = [o for o in given if not o.startswith("suppressions=")]
    return ":".join(kept + ["suppressions=" + merged])


def save_as(display, program, path):
    """File > Save as... from the keyboard, path typed without its extension (the program adds
    it); returns once the file is written and the progress window gone."""
    display.xdotool("key", "--clearmodifiers", "alt+f")
    display.xdotool("key", "s")
    choose_file(display, display.wait_for("Save As", program), "Save As", os.path.splitext(path)[0], program)
    wait_for_file(path, program)
    display.wait_gone("File Save Progress")


def wait_for_file(path, program):
    deadline = time.monotonic() + WAIT_SECONDS
    while time.monotonic() < deadline:
        if os.path.exists(path):
            return
        if program.poll() is not None:
            raise JourneyFailed("the program ended while saving")
        time.sleep(0.2)
    raise JourneyFailed("%s was not written" % path)


def save_region(display, out, left, top, width, height):
    """Saves a rectangle of the screen as a picture at out."""
    subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (width, height, left, top),
                    "+repage", out], env=display.env, check=True, timeout=30)


def screenshot_main(take, usage):
    """The command line of a screenshot script: SKERROW_PROGRAM OUT.png, a display of its own,
    take(program_path, out, display, work) to arrange the window and save the picture."""
    if len(sys.argv) != 3:
        sys.stderr.write(usage)
        return 2
    program_path, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.environ.pop("SKERROW_TEST_DISPLAY", None)
    work = tempfile.mkdtemp(prefix="skerrow-screenshot-")
    display = Display(work)
    try:
        take(program_path, out, display, work)
    except JourneyFailed as failure:
        print("FAILED: %s" % failure)
        return 1
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    print("saved %s" % out)
    return 0


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    program_path, output = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    shutil.rmtree(output, ignore_errors=True)
    os.makedirs(output)
    for tool in ("xdotool", "import"):
        if not shutil.which(tool):
            print("%s is missing: run scripts/install-deps" % tool)
            return 1

    display = Display(output)
    work = tempfile.mkdtemp(prefix="skerrow-journey-")
    try:
        journey(program_path, display, work)
    except (JourneyFailed, subprocess.TimeoutExpired, OSError) as failure:
        display.screenshot("failure")
        print("FAILED: %s" % failure)
        print("screenshots and the program's output are in %s" % output)
        return 1
    finally:
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(output, ignore_errors=True)
    os.makedirs(output)
    print("the journey passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
