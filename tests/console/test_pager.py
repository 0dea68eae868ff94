#!/usr/bin/env python3
"""The page prompt and its keys, the time-out, Ctrl-C and Esc, the colours
of highlighted text, and plain output when redirected, in a real terminal
(tmux, 120 x 40) driving vornel_pagerdemo.exe."""
import os
import shlex
import tempfile
import time

from console_terminal import PROMPT, Terminal, check, finish


def line_text(n):
    return f"Line {n:03d} word name"


def demo(args, env=""):
    return Terminal(args, program="vornel_pagerdemo.exe", env=env)


def wait_prompt_after(t, n):
    """Waits for the prompt right below line n; checks nothing after it was written."""
    def ready(screen):
        return any(row == PROMPT and i > 0 and screen[i - 1] == line_text(n) for i, row in enumerate(screen))
    screen = t.wait(ready, f"the prompt after line {n}")
    check(not any(r.startswith(f"Line {n + 1:03d}") for r in screen), f"line {n + 1} before the prompt",
          screen)
    return screen


def test_page_keys():
    # A 40-row terminal pages by 38; 5 lets 5 more through, / half a page,
    # 0 ten, any other key (a cursor or function key too) a full page, A the
    # rest without prompts. Shift, Ctrl, Alt or Caps Lock alone (queued by /K
    # before the first page) leave the prompt waiting.
    with demo("/K /P 200") as t:
        screen = wait_prompt_after(t, 38)
        check(screen[0] == line_text(1), "the first page starts at the top", screen)
        time.sleep(0.5)
        wait_prompt_after(t, 38)
        for key, last in (("5", 43), ("/", 62), ("0", 72), ("Enter", 110), ("Down", 148), ("F1", 186)):
            t.keys(key)
            wait_prompt_after(t, last)
        t.keys("a")
        code, screen = t.wait_exit()
        check(code == 0, f"exit after A: {code}", screen)
        check(line_text(200) in screen and PROMPT not in screen, "A ends paging", screen)


def test_esc_and_requested_page():
    # /P,20 pages by 20 lines; Esc at the prompt stops without the ^C mark.
    with demo("/P,20 100") as t:
        wait_prompt_after(t, 20)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("^C" in r for r in screen), "no ^C mark after Esc", screen)
        check(PROMPT not in screen and line_text(21) not in screen, "Esc stops at once", screen)


def test_ctrl_c_at_prompt_and_while_writing():
    with demo("/P 100") as t:
        wait_prompt_after(t, 38)
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C at the prompt: {code}", screen)
        check(any(r.endswith(" ^C") for r in screen), "the ^C mark on its own line", screen)
        check(line_text(39) not in screen, "Ctrl-C stops at once", screen)

    # The mark is yellow on black, unless that is the shell's colour: then bright white.
    with demo("/A:0E /P 100") as t:
        wait_prompt_after(t, 38)
        t.keys("C-c")
        code, screen = t.wait_exit()
        raw = t.screen(escapes=True)
        check(code == 3 and any(r.startswith("\x1b[97m ^C") for r in raw), "the mark in bright white", raw)

    # Without paging: the next line end notices it.
    with demo("/W:100 300") as t:
        t.wait(lambda s: line_text(5) in s, "the first lines")
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C while writing: {code}", screen)
        # The terminal may echo its own ^C at the start of that row.
        mark = [i for i, r in enumerate(screen) if r.endswith(" ^C")]
        check(len(mark) == 1 and screen[mark[0] + 1] == "EXIT=3", "the ^C mark, then nothing more", screen)
        check(line_text(300) not in screen, "the listing stopped", screen)


def test_no_paging_in_tiny_or_huge_windows():
    # Under 10 rows or over 100 the prompt would be of no use: /P pages not.
    for rows in (9, 101):
        with Terminal(f"/P {rows + 20}", program="vornel_pagerdemo.exe", height=rows) as t:
            code, screen = t.wait_exit()
            check(code == 0 and line_text(rows + 20) in screen and PROMPT not in screen,
                  f"{rows} rows: no prompt, exit {code}", screen)


def test_narrow_window():
    # In 40 columns the prompt's blanking line must not wrap: the next page
    # follows the last line with no empty line, the listing unbroken.
    with Terminal("/P,5 12", program="vornel_pagerdemo.exe", width=40) as t:
        wait_prompt_after(t, 5)
        t.keys("Enter")
        screen = wait_prompt_after(t, 10)
        check(screen[:10] == [line_text(n) for n in range(1, 11)], "pages without a gap", screen)


def test_pause_time_out():
    # /P:1: the prompt goes away by itself after a second and a page follows.
    with demo("/P:1 60") as t:
        wait_prompt_after(t, 38)
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
        with demo(args, env=env) as t:
            t.wait_exit()
            raw = t.screen(escapes=True)
            check(expected in raw[0], f"{args} {env}: {raw[0]!r}")

    # No highlight asked for, or an unusable setting: plain text.
    for args, env in (("/N 3", ""), ("3", "Highlight=0x07")):
        with demo(args, env=env) as t:
            code, screen = t.wait_exit()
            raw = t.screen(escapes=True)
            check(code == 0 and line_text(3) in screen, f"{args} {env}: output", screen)
            check(not any("\x1b" in r for r in raw if "Line" in r), f"{args} {env}: no colours", raw)


def test_redirected_output_is_plain():
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "out.txt")
        with demo(f"/P 100 > {shlex.quote(out)}") as t:
            code, screen = t.wait_exit()
            check(code == 0, f"redirected exit: {code}", screen)
            check(PROMPT not in screen, "no prompt for redirected output", screen)
        with open(out, "rb") as f:
            data = f.read()
        expected = "".join(line_text(n) + "\r\n" for n in range(1, 101)).encode()
        check(data == expected, f"redirected text: {data[:200]!r}")


if __name__ == "__main__":
    for test in (test_page_keys, test_esc_and_requested_page, test_ctrl_c_at_prompt_and_while_writing,
                 test_no_paging_in_tiny_or_huge_windows, test_narrow_window, test_pause_time_out, test_colours,
                 test_redirected_output_is_plain):
        test()
    finish()
