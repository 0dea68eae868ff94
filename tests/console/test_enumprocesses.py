#!/usr/bin/env python3
"""ENUMPROCESSES in a real terminal (tmux, 120 x 40): names in the highlight
colour, /HL: patterns in the reversed highlight colour, /D, and a paged
tree stopped with Esc or Ctrl-C."""
import os
import shlex
import subprocess
import sys
import time

BIN = os.environ["VORNEL_BIN"]
PREFIX = os.environ["WINEPREFIX"]
WINE = "/usr/lib/wine/wine64"
PROMPT = "   \u2500\u2500 Press a key to continue \u2500\u2500"
HIGHLIGHT = "\x1b[97m"            # bright white on the normal black
REVERSED = "\x1b[30m\x1b[107m"    # black on bright white
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
        self.socket = f"vornel-enumproc-{os.getpid()}-{Terminal.count}"
        run = f"WINEPREFIX={shlex.quote(PREFIX)} WINEDEBUG=-all {WINE} orsh.exe enumprocesses {args}"
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
    """Runs a command line to its end; returns its exit code and the screen
    with colours as ANSI escapes."""
    t = Terminal(args)
    try:
        code, _ = t.wait_exit()
        return code, t.screen(escapes=True)
    finally:
        t.close()


def row_of(rows, text):
    return next((r for r in rows if text in r), "")


def test_highlight():
    code, raw = run("")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and HIGHLIGHT + "orsh.exe" in row, f"own shell's name highlighted: {row!r}", raw)

    code, raw = run("/HL:ORSH* .")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and REVERSED + "orsh.exe" in row, f"/HL: reverses a matched name: {row!r}", raw)

    # Alternatives in one pattern and patterns from several switches; the
    # names that match none keep the normal highlight.
    code, raw = run('/HL:"nothing*|svc*" /hl=rpc* /T services.exe')
    for name, colour in (("svchost.exe", REVERSED), ("rpcss.exe", REVERSED), ("plugplay.exe", HIGHLIGHT),
                         ("services.exe", HIGHLIGHT)):
        row = row_of(raw, name)
        check(code == 0 and colour + name in row, f"{name} in {colour!r}: {row!r}", raw)

    # /D: no colour at all, the highlight list dropped with it.
    code, raw = run("/D /HL:ORSH* .")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and row and "\x1b" not in row, f"/D leaves the line plain: {row!r}", raw)


def test_paging():
    # services.exe and its five children are seven lines with the empty one
    # in front: a page of three stops on the prompt after the first child.
    for key, code_wanted, mark in (("Escape", 3, False), ("C-c", 3, True), ("a", 0, False)):
        t = Terminal("/P,3 /O services.exe")
        try:
            screen = t.wait(lambda s: PROMPT in s, "the prompt")
            check(screen.index(PROMPT) == 3, f"the prompt below the third line ({key})", screen)
            t.keys(key)
            code, screen = t.wait_exit()
            check(code == code_wanted, f"exit after {key}: {code}", screen)
            children = [r for r in screen if r.startswith("  ") and ".exe" in r]
            check(len(children) == (5 if code_wanted == 0 else 1), f"children printed after {key}", screen)
            check(any(r.endswith(" ^C") for r in screen) == mark, f"the ^C mark after {key}", screen)
        finally:
            t.close()


if __name__ == "__main__":
    test_highlight()
    test_paging()
    if failures:
        print(f"{len(failures)} failure(s)", file=sys.stderr)
        sys.exit(1)
    print("ok")
