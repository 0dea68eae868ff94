#!/usr/bin/env python3
"""The page prompt and its keys, the time-out, Ctrl-C and Esc, the colours
of highlighted text, and plain output when redirected, in a real terminal
(tmux, 120 x 40) driving vornel_pagerdemo.exe."""
import os
import re
import shlex
import subprocess
import sys
import tempfile
import time

BIN = os.environ["VORNEL_BIN"]
PREFIX = os.environ["WINEPREFIX"]
WINE = "/usr/lib/wine/wine64"
# The prompt as the pane shows it: tmux drops the trailing blank.
PROMPT = "   \u2500\u2500 Press a key to continue \u2500\u2500"
failures = []


def check(condition, message, screen=None):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)
        if screen is not None:
            print("\n".join(screen), file=sys.stderr)


def line_text(n):
    return f"Line {n:03d} word name"


class Terminal:
    """One tmux server of its own running the demo once; the shell stays
    after the demo so its exit code can be read from the pane."""

    count = 0

    def __init__(self, args, env="", redirect=""):
        Terminal.count += 1
        self.socket = f"vornel-pager-{os.getpid()}-{Terminal.count}"
        demo = (f"WINEPREFIX={shlex.quote(PREFIX)} WINEDEBUG=-all {env} {WINE} vornel_pagerdemo.exe {args}"
                f"{redirect}")
        command = f"cd {shlex.quote(BIN)} && {demo}; echo EXIT=$?; sleep 600"
        self.tmux("new-session", "-d", "-x", "120", "-y", "40", command)

    def tmux(self, *args):
        return subprocess.run(["tmux", "-L", self.socket, *args], check=True, capture_output=True,
                              text=True).stdout

    def screen(self, escapes=False):
        args = ["capture-pane", "-p"] + (["-e"] if escapes else [])
        return self.tmux(*args).split("\n")

    def keys(self, *keys):
        self.tmux("send-keys", *keys)

    def wait(self, predicate, what, timeout=20):
        deadline = time.monotonic() + timeout
        while True:
            screen = self.screen()
            if predicate(screen):
                return screen
            if time.monotonic() > deadline:
                check(False, f"{self.socket}: timed out waiting for {what}", screen)
                return screen
            time.sleep(0.1)

    def wait_exit(self, timeout=20):
        screen = self.wait(lambda s: any(r.startswith("EXIT=") for r in s), "the exit", timeout)
        codes = [r for r in screen if r.startswith("EXIT=")]
        return (int(codes[0][5:]) if codes else None), screen

    def wait_prompt_after(self, n):
        """Waits for the prompt right below line n; checks nothing after it was written."""
        def ready(screen):
            return any(row == PROMPT and i > 0 and screen[i - 1] == line_text(n) for i, row in enumerate(screen))
        screen = self.wait(ready, f"the prompt after line {n}")
        check(not any(r.startswith(f"Line {n + 1:03d}") for r in screen), f"line {n + 1} before the prompt",
              screen)
        return screen

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        subprocess.run(["tmux", "-L", self.socket, "kill-server"], capture_output=True)


def test_page_keys():
    # A 40-row terminal pages by 38; 5 lets 5 more through, / half a page,
    # 0 ten, any other key a full page, A the rest without prompts.
    with Terminal("/P 200") as t:
        screen = t.wait_prompt_after(38)
        check(screen[0] == line_text(1), "the first page starts at the top", screen)
        for key, last in (("5", 43), ("/", 62), ("0", 72), ("Enter", 110)):
            t.keys(key)
            t.wait_prompt_after(last)
        t.keys("a")
        code, screen = t.wait_exit()
        check(code == 0, f"exit after A: {code}", screen)
        check(line_text(200) in screen and PROMPT not in screen, "A ends paging", screen)


def test_esc_and_requested_page():
    # /P,20 pages by 20 lines; Esc at the prompt stops without the ^C mark.
    with Terminal("/P,20 100") as t:
        t.wait_prompt_after(20)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("^C" in r for r in screen), "no ^C mark after Esc", screen)
        check(PROMPT not in screen and line_text(21) not in screen, "Esc stops at once", screen)


def test_ctrl_c_at_prompt_and_while_writing():
    with Terminal("/P 100") as t:
        t.wait_prompt_after(38)
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C at the prompt: {code}", screen)
        check(any(r.endswith(" ^C") for r in screen), "the ^C mark on its own line", screen)
        check(line_text(39) not in screen, "Ctrl-C stops at once", screen)

    # Without paging: the next line end notices it.
    with Terminal("/W:100 300") as t:
        t.wait(lambda s: line_text(5) in s, "the first lines")
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C while writing: {code}", screen)
        # The terminal may echo its own ^C at the start of that row.
        mark = [i for i, r in enumerate(screen) if r.endswith(" ^C")]
        check(len(mark) == 1 and screen[mark[0] + 1] == "EXIT=3", "the ^C mark, then nothing more", screen)
        check(line_text(300) not in screen, "the listing stopped", screen)


def test_pause_time_out():
    # /P:1: the prompt goes away by itself after a second and a page follows.
    with Terminal("/P:1 60") as t:
        t.wait_prompt_after(38)
        shown = time.monotonic()
        code, screen = t.wait_exit()
        waited = time.monotonic() - shown
        check(code == 0, f"exit after the time-out: {code}", screen)
        check(0.7 <= waited <= 6, f"the prompt waited {waited:.1f} s")
        check(line_text(60) in screen and PROMPT not in screen, "the rest followed the time-out", screen)


def test_colours():
    # The shell's normal colour decides the highlights (grey on black:
    # bright white and yellow; bright white on blue: bright cyan and dark
    # yellow; black on grey: bright blue and red), and a Highlight setting in
    # the environment overrides the first. The normal colour comes back
    # after each highlighted word.
    cases = (
        ("2", "", "Line 001 \x1b[97mword\x1b[39m \x1b[93mname"),
        ("/A:1F 2", "", "\x1b[97m\x1b[44mLine 001 \x1b[96mword\x1b[97m \x1b[33mname"),
        ("/A:70 2", "", "\x1b[30m\x1b[47mLine 001 \x1b[94mword\x1b[30m \x1b[31mname"),
        ("2", "Highlight=0x1e", "Line 001 \x1b[93m\x1b[44mword\x1b[39m\x1b[49m \x1b[97mname"),
        ("2", "Highlight='bright green'", "Line 001 \x1b[92mword\x1b[39m \x1b[97mname"),
    )
    for args, env, expected in cases:
        with Terminal(args, env=env) as t:
            t.wait_exit()
            raw = t.screen(escapes=True)
            check(expected in raw[0], f"{args} {env}: {raw[0]!r}")

    # No highlight asked for, or an unusable setting: plain text.
    for args, env in (("/N 3", ""), ("3", "Highlight=0x07")):
        with Terminal(args, env=env) as t:
            code, screen = t.wait_exit()
            raw = t.screen(escapes=True)
            check(code == 0 and line_text(3) in screen, f"{args} {env}: output", screen)
            check(not any("\x1b" in r for r in raw if "Line" in r), f"{args} {env}: no colours", raw)


def test_redirected_output_is_plain():
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "out.txt")
        with Terminal("/P 100", redirect=f" > {shlex.quote(out)}") as t:
            code, screen = t.wait_exit()
            check(code == 0, f"redirected exit: {code}", screen)
            check(PROMPT not in screen, "no prompt for redirected output", screen)
        with open(out, "rb") as f:
            data = f.read()
        expected = "".join(line_text(n) + "\r\n" for n in range(1, 101)).encode()
        check(data == expected, f"redirected text: {data[:200]!r}")


if __name__ == "__main__":
    started = time.monotonic()
    for test in (test_page_keys, test_esc_and_requested_page, test_ctrl_c_at_prompt_and_while_writing,
                 test_pause_time_out, test_colours, test_redirected_output_is_plain):
        test()
    print(f"{len(failures)} failure(s) in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)
