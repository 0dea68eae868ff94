#!/usr/bin/env python3
"""./orsh with DISPLAY unset (an ssh session, a container): it starts a
private X display, so a windowed program started through it stays up and
TASKLIST shows its window title.

Usage: test_orsh_no_display.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path


class OrshWithoutDisplay(unittest.TestCase):
    source = build = None

    def orsh(self, *line):
        """Runs ./orsh; its output goes through files, not pipes, which a
        started program would inherit and hold open."""
        env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
        env["VORNEL_BUILD_DIR"] = self.build
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            code = subprocess.run([str(Path(self.source) / "orsh"), *line], env=env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err, timeout=300).returncode
            out.seek(0)
            err.seek(0)
            return code, out.read().decode(), err.read().decode()

    def test_started_notepad_shows_its_title(self):
        state = Path(self.build) / "xvfb.display"
        before = state.read_text() if state.exists() else None
        try:
            code, out, err = self.orsh("start", "notepad")
            self.assertEqual(code, 0, err)
            pid = re.fullmatch(r"process ID (\d+)\r\n", out).group(1)
            try:
                deadline = time.monotonic() + 60
                while True:
                    code, out, _ = self.orsh("tasklist", "=" + pid)
                    gone = "Found 0 processes" in out
                    if gone or "Untitled - Notepad" in out or time.monotonic() > deadline:
                        break
                    time.sleep(1)
                self.assertRegex(out, r"^ +%s  notepad +Untitled - Notepad\r\n" % pid)
            finally:
                self.orsh("taskkill", "/f", "/pid", pid)
        finally:
            # An Xvfb this test started goes with it; one the user had stays.
            if state.exists() and state.read_text() != before:
                subprocess.run(["kill", state.read_text().split()[1]])
                state.unlink()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    OrshWithoutDisplay.source, OrshWithoutDisplay.build = sys.argv[1:]
    unittest.main(argv=sys.argv[:1], verbosity=2)
