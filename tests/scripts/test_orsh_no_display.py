#!/usr/bin/env python3
"""./orsh with DISPLAY unset (an ssh session, a container) starts a private X
display, so a notepad started through it stays up and shows its title.
Usage: test_orsh_no_display.py SOURCE_DIR BUILD_DIR"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

source, build = sys.argv[1:]
env = {k: v for k, v in os.environ.items() if k != "DISPLAY"} | {"VORNEL_BUILD_DIR": build}
state = Path(build) / "xvfb.display"
before = state.read_text() if state.exists() else None


def orsh(*line):
    with tempfile.TemporaryFile() as out:  # not a pipe, which a started program would hold open
        subprocess.run([f"{source}/orsh", *line], env=env, stdin=subprocess.DEVNULL, stdout=out, timeout=300)
        out.seek(0)
        return out.read().decode()


try:
    pid = re.fullmatch(r"process ID (\d+)\r\n", orsh("start", "notepad")).group(1)
    deadline = time.monotonic() + 60
    while not re.search("Found 0|Notepad", out := orsh("tasklist", "=" + pid)) and time.monotonic() < deadline:
        time.sleep(1)
    orsh("taskkill", "/f", "/pid", pid)
    if not re.match(r" +%s  notepad +Untitled - Notepad\r\n" % pid, out):
        sys.exit("no notepad window without DISPLAY:\n" + out)
finally:
    # An Xvfb this test started goes with it; one the user had stays.
    if state.exists() and state.read_text() != before:
        subprocess.run(["kill", state.read_text().split()[1]])
        state.unlink()
