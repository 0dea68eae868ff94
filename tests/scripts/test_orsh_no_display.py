#!/usr/bin/env python3
"""./orsh with DISPLAY unset (an ssh session, a container) starts a private X
display, so a notepad started through it stays up and shows its title.

Usage: test_orsh_no_display.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path


def orsh(source, build, *line):
    """Output through a file, not a pipe, which a started program would hold open."""
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    with tempfile.TemporaryFile() as out:
        subprocess.run([str(Path(source) / "orsh"), *line], env=dict(env, VORNEL_BUILD_DIR=build),
                       stdin=subprocess.DEVNULL, stdout=out, timeout=300)
        out.seek(0)
        return out.read().decode()


def main(source, build):
    state = Path(build) / "xvfb.display"
    before = state.read_text() if state.exists() else None
    try:
        pid = re.fullmatch(r"process ID (\d+)\r\n", orsh(source, build, "start", "notepad")).group(1)
        deadline = time.monotonic() + 60
        while True:
            out = orsh(source, build, "tasklist", "=" + pid)
            if "Found 0" in out or "Notepad" in out or time.monotonic() > deadline:
                break
            time.sleep(1)
        orsh(source, build, "taskkill", "/f", "/pid", pid)
        if not re.match(r" +%s  notepad +Untitled - Notepad\r\n" % pid, out):
            sys.exit("no notepad window without DISPLAY:\n" + out)
    finally:
        # An Xvfb this test started goes with it; one the user had stays.
        if state.exists() and state.read_text() != before:
            subprocess.run(["kill", state.read_text().split()[1]])
            state.unlink()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
