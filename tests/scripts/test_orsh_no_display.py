#!/usr/bin/env python3
"""./orsh as a user runs it. With DISPLAY unset (an ssh session, a container)
it starts a private X display, so a notepad started through it stays up and
shows its title, and tells the shell so; each argument is one piece of the
line, as typed; and the program outlives a test run, which ends only the
Wine servers it started. ./orsh runs in the tests' prefix here, never in the
user's.
Usage: test_orsh_no_display.py SOURCE_DIR BUILD_DIR"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

source, build = sys.argv[1:]
env = {k: v for k, v in os.environ.items() if k != "DISPLAY"} | {
    "VORNEL_BUILD_DIR": build, "VORNEL_WINEPREFIX": os.environ["WINEPREFIX"]}
state = Path(build) / "xvfb.display"
# The display and its process; a watcher added to the user's display changes neither.
def display():
    return state.read_text().split()[:2] if state.exists() else None


before = display()
probe = Path(source) / "orsh-no-display-probe.txt"


def orsh(*line):
    with tempfile.TemporaryFile() as out:  # not a pipe, which a started program would hold open
        subprocess.run([f"{source}/orsh", *line], env=env, stdin=subprocess.DEVNULL, stdout=out, timeout=300)
        out.seek(0)
        return out.read().decode()


def notepad_line(pid):
    # Wine's notepad shows the title "Notepad" before it names its document.
    deadline = time.monotonic() + 60
    while (not re.search("Found 0|Untitled - Notepad", out := orsh("tasklist", "=" + pid))
           and time.monotonic() < deadline):
        time.sleep(1)
    return out


try:
    # A first quoted word is the title of start, as typed.
    if not (started := re.fullmatch(r"process ID (\d+)\r\n", out := orsh("start", '"My Title"', "notepad"))):
        sys.exit("./orsh start '\"My Title\"' notepad: " + repr(out))
    pid = started.group(1)
    try:
        out = notepad_line(pid)
        if not re.match(r" +%s  notepad +Untitled - Notepad\r\n" % pid, out):
            sys.exit("no notepad window without DISPLAY:\n" + out)
        # A file made or deleted in the root is none of the build's: no build, no word of ./orsh's own.
        for make in (probe.touch, probe.unlink):
            make()
            run = subprocess.run([f"{source}/orsh", "echo", "x"], env=env, stdin=subprocess.DEVNULL,
                                 capture_output=True, timeout=300)
            if (run.stdout, run.stderr) != (b"x\r\n", b""):
                sys.exit(f"./orsh echo x after {make.__name__} of {probe}: {run.stdout!r} {run.stderr!r}")
        for line, expected in (
                (("echo", "a b", " c"), r"a b  c\r\n"),
                (("echo", f'%@pidexename["{pid}"]'), r"C:\\windows\\system32\\notepad\.exe\r\n"),
                (("set", "VORNEL_PRIVATE_DISPLAY"), r"VORNEL_PRIVATE_DISPLAY=:\d+\r\n")):
            if not re.fullmatch(expected, out := orsh(*line)):
                sys.exit(f"./orsh {line}: {out!r}")
        run = subprocess.run([f"{source}/run-tests", "-R", "^help_file$"], env=env, stdin=subprocess.DEVNULL,
                             capture_output=True, text=True, timeout=500)
        if run.returncode != 0:
            sys.exit("./run-tests -R help_file failed:\n" + run.stdout + run.stderr)
        if not re.match(r" +%s  notepad +Untitled - Notepad\r\n" % pid, out := notepad_line(pid)):
            sys.exit("the notepad that ./orsh started did not outlive ./run-tests:\n" + out)
    finally:
        orsh("taskkill", "/f", "/pid", pid)
finally:
    probe.unlink(missing_ok=True)
    # An Xvfb this test started goes with it; one the user had stays.
    if state.exists() and display() != before:
        subprocess.run(["kill", display()[1]])
        state.unlink()
