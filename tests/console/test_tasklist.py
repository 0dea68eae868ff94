#!/usr/bin/env python3
"""TASKLIST in a real terminal (tmux, 120 x 40): the names in the highlight
colour, /HL: patterns on names and on trailing texts in the reversed
highlight colour, /N:C, and /P paging with its keys and exit codes."""
import os
import shlex
import subprocess
import sys
import time

BIN = os.environ["VORNEL_BIN"]
PREFIX = os.environ["WINEPREFIX"]
WINE = "/usr/lib/wine/wine64"
PROMPT = "   \u2500\u2500 Press a key to continue \u2500\u2500"
failures = []


def check(condition, message, screen=None):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)
        if screen is not None:
            print("\n".join(screen), file=sys.stderr)


class Terminal:
    """A tmux server of its own running one orsh command line; the shell
    stays after it so that the exit code can be read from the pane."""

    count = 0

    def __init__(self, args):
        Terminal.count += 1
        self.socket = f"vornel-tasklist-{os.getpid()}-{Terminal.count}"
        run = f"WINEPREFIX={shlex.quote(PREFIX)} WINEDEBUG=-all {WINE} orsh.exe tasklist {args}"
        command = f"cd {shlex.quote(BIN)} && {run}; echo EXIT=$?; sleep 600"
        self.tmux("new-session", "-d", "-x", "120", "-y", "40", command)

    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, *args], check=True, capture_output=True,
                              text=True).stdout

    def screen(self, escapes=False):
        return self.tmux(*(["capture-pane", "-p"] + (["-e"] if escapes else []))).split("\n")

    def keys(self, *keys):
        self.tmux("send-keys", *keys)

    def wait(self, predicate, what, timeout=30):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.screen()
            if predicate(screen):
                return screen
            if time.monotonic() > deadline:
                check(False, f"{self.socket}: timed out waiting for {what}", screen)
                return screen
            time.sleep(0.1)

    def wait_exit(self):
        screen = self.wait(lambda s: any(r.startswith("EXIT=") for r in s), "the exit")
        codes = [r for r in screen if r.startswith("EXIT=")]
        return (int(codes[0][5:]) if codes else None), screen

    def close(self):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"], capture_output=True)


def run(args):
    """Runs a command line to its end; returns its exit code, screen and
    the screen with colours as ANSI escapes."""
    t = Terminal(args)
    try:
        code, screen = t.wait_exit()
        return code, screen, t.screen(escapes=True)
    finally:
        t.close()


def row_of(rows, text):
    return next((r for r in rows if text in r), "")


def test_highlight():
    # Grey on black: every name in bright white (0F).
    code, screen, raw = run(".")
    row = row_of(raw, "orsh")
    check(code == 0 and "\x1b[97morsh" in row, f"name in the highlight colour: {row!r}", raw)

    # A name matched by /HL: black on bright white (F0); the blanks after
    # it are plain (tmux trims them, so the reset shows on the next row).
    code, screen, raw = run("/HL:ORSH .")
    row = row_of(raw, "orsh")
    check(code == 0 and row.endswith("\x1b[30m\x1b[107morsh"), f"/HL: on the name: {row!r}", raw)

    # A trailing text matched on its own; the name keeps its normal highlight.
    code, screen, raw = run('/HL:"plug and*" plugplay')
    row = row_of(raw, "Plug and Play")
    check(code == 0 and "\x1b[97mplugplay" in row and "\x1b[30m\x1b[107mPlug and Play Service" in row,
          f"/HL: on the service names: {row!r}", raw)

    # /N:C: no colour at all, highlight patterns dropped.
    code, screen, raw = run("/N:C /HL:ORSH .")
    row = row_of(raw, "orsh")
    check(code == 0 and "\x1b" not in row, f"/N:C leaves the line plain: {row!r}", raw)


def test_paging():
    # Module lines make far more than a page; the prompt follows line 38.
    t = Terminal("/P /D")
    try:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 38, "the prompt below the 38th line", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("Found" in r for r in screen), "no footer after Esc", screen)
    finally:
        t.close()

    # A lets the rest through: the footer comes and the result is 0.
    t = Terminal("/P /D")
    try:
        t.wait(lambda s: PROMPT in s, "the first prompt")
        t.keys("a")
        code, screen = t.wait_exit()
        check(code == 0, f"exit after A: {code}", screen)
        check(any(r.startswith("   Found ") for r in screen) and PROMPT not in screen, "the footer after A",
              screen)
    finally:
        t.close()

    # Ctrl-C at the prompt: the ^C mark and result 3. /P,10 pages by ten lines.
    t = Terminal("/P,10 /D")
    try:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 10, "the prompt below the 10th line", screen)
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C: {code}", screen)
        check(any(r.endswith(" ^C") for r in screen), "the ^C mark", screen)
    finally:
        t.close()


def test_tree_paging():
    # The tree, with its thread lines, pages and stops like the flat list.
    t = Terminal("/P,5 /R /H")
    try:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 5, "the tree pages by five lines", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc in a tree: {code}", screen)
    finally:
        t.close()


if __name__ == "__main__":
    started = time.monotonic()
    for test in (test_highlight, test_paging, test_tree_paging):
        test()
    print(f"{len(failures)} failure(s) in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)
