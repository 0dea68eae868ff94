#!/usr/bin/env python3
"""TASKLIST in a real terminal (tmux, 120 x 40): the names in the highlight
colour, /HL: patterns on names and on trailing texts in the reversed
highlight colour, /N:C, and /P paging with its keys and exit codes."""
import subprocess

from console_terminal import BIN, PROMPT, WINE, Terminal, check, finish, row_of, run


def test_highlight():
    # Grey on black: every name in bright white (0F).
    code, raw = run("tasklist .")
    row = row_of(raw, "orsh")
    check(code == 0 and "\x1b[97morsh" in row, f"name in the highlight colour: {row!r}", raw)

    # A name matched by /HL: black on bright white (F0); the blanks after
    # it are plain (tmux trims them, so the reset shows on the next row).
    code, raw = run("tasklist /HL:ORSH .")
    row = row_of(raw, "orsh")
    check(code == 0 and row.endswith("\x1b[30m\x1b[107morsh"), f"/HL: on the name: {row!r}", raw)

    # A trailing text matched on its own; the name keeps its normal highlight.
    code, raw = run('tasklist /HL:"plug and*" plugplay')
    row = row_of(raw, "Plug and Play")
    check(code == 0 and "\x1b[97mplugplay" in row and "\x1b[30m\x1b[107mPlug and Play Service" in row,
          f"/HL: on the service names: {row!r}", raw)

    # /N:C: no colour at all, highlight patterns dropped.
    code, raw = run("tasklist /N:C /HL:ORSH .")
    row = row_of(raw, "orsh")
    check(code == 0 and "\x1b" not in row, f"/N:C leaves the line plain: {row!r}", raw)


def test_paging():
    # Module lines make far more than a page; the prompt follows line 38.
    with Terminal("tasklist /P /D") as t:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 38, "the prompt below the 38th line", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("Found" in r for r in screen), "no footer after Esc", screen)

    # A lets the rest through: the footer comes and the result is 0.
    with Terminal("tasklist /P /D") as t:
        t.wait(lambda s: PROMPT in s, "the first prompt")
        t.keys("a")
        code, screen = t.wait_exit()
        check(code == 0, f"exit after A: {code}", screen)
        check(any(r.startswith("   Found ") for r in screen) and PROMPT not in screen, "the footer after A",
              screen)

    # Ctrl-C at the prompt: the ^C mark and result 3. /P,10 pages by ten lines.
    with Terminal("tasklist /P,10 /D") as t:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 10, "the prompt below the 10th line", screen)
        t.keys("C-c")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Ctrl-C: {code}", screen)
        check(any(r.endswith(" ^C") for r in screen), "the ^C mark", screen)


def esc_at_third_line(args):
    """Pages `args` by three lines, presses Esc at the first prompt and
    returns the screen above the exit code."""
    with Terminal(f"tasklist /P,3 {args}") as t:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 3, f"{args}: the prompt below the third line", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"{args}: exit after Esc: {code}", screen)
        return screen[:screen.index(f"EXIT={code}")]


def helper(*args):
    process = subprocess.Popen([WINE, f"{BIN}/vornel_testhelper.exe", *args], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, text=True)
    pid = next(int(line[4:]) for line in process.stdout if line.startswith("pid "))
    return process, pid


def test_tree_paging():
    # The tree, with its thread lines, pages and stops like the flat list.
    with Terminal("tasklist /P,5 /R /H") as t:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 5, "the tree pages by five lines", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc in a tree: {code}", screen)

    # Esc where the third line is the blank between two trees (each a
    # helper with a child), the blank before the footer, or a thread line.
    # A first window may start Wine's desktop process as a child of its
    # program: an unlisted helper's window comes first.
    anchor, _ = helper("--window", "VctAnchor||0|0")
    first, pid = helper("--children", "1", "--window", "VctTreeA||0|0")
    second, _ = helper("--children", "1", "--window", "VctTreeB||0|0")
    with anchor, first, second:
        for args, rows, what in (("/R VctTree*", 2, "one tree"), ("/R VctTreeA", 2, "no footer"),
                                 (f"/H ={pid}", 3, "two thread lines")):
            screen = [r for r in esc_at_third_line(args) if r.strip()]
            check(len(screen) == rows and "Found" not in " ".join(screen), f"{args}: {what}", screen)
        for process in (anchor, first, second):
            process.stdin.close()


def test_foreign_text():
    # Another program's title that would recolour and retitle the terminal: marks in the plug-in's colours.
    with subprocess.Popen([WINE, f"{BIN}/vornel_testhelper.exe", "--window", "\x1b[41mR\x1b]0;T\x07\x12\x9b2J||1|0"],
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True) as helper:
        pid = next(int(line[4:]) for line in helper.stdout if line.startswith("pid "))
        code, raw = run(f"tasklist /N:F /HL:*2J ={pid}")
    row = row_of(raw, "vornel_testhelper")
    check(code == 0 and "\x1b[97mvornel_testhelper" in row and "\x1b[30m\x1b[107m?[41mR?]0;T???2J" in row,
          f"the title as marks, highlighted: {row!r}", raw)


if __name__ == "__main__":
    for test in (test_highlight, test_paging, test_tree_paging, test_foreign_text):
        test()
    finish()
