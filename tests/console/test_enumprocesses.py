#!/usr/bin/env python3
"""ENUMPROCESSES in a real terminal (tmux, 120 x 40): names in the highlight
colour, /HL: patterns in the reversed highlight colour, /D, and a paged
tree stopped with Esc or Ctrl-C."""
from console_terminal import PROMPT, Terminal, check, finish, row_of, run

HIGHLIGHT = "\x1b[97m"            # bright white on the normal black
REVERSED = "\x1b[30m\x1b[107m"    # black on bright white


def ep(args):
    return run("enumprocesses " + args)


def test_highlight():
    code, raw = ep("")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and HIGHLIGHT + "orsh.exe" in row, f"own shell's name highlighted: {row!r}", raw)

    code, raw = ep("/HL:ORSH* .")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and REVERSED + "orsh.exe" in row, f"/HL: reverses a matched name: {row!r}", raw)

    # Alternatives in one pattern and patterns from several switches; the
    # names that match none keep the normal highlight.
    code, raw = ep('/HL:"nothing*|svc*" /hl=rpc* /T services.exe')
    for name, colour in (("svchost.exe", REVERSED), ("rpcss.exe", REVERSED), ("plugplay.exe", HIGHLIGHT),
                         ("services.exe", HIGHLIGHT)):
        row = row_of(raw, name)
        check(code == 0 and colour + name in row, f"{name} in {colour!r}: {row!r}", raw)

    # /D: no colour at all, the highlight list dropped with it.
    code, raw = ep("/D /HL:ORSH* .")
    row = row_of(raw, "orsh.exe")
    check(code == 0 and row and "\x1b" not in row, f"/D leaves the line plain: {row!r}", raw)


def test_paging():
    # services.exe and its five children are seven lines with the empty one
    # in front: a page of three stops on the prompt after the first child.
    for key, code_wanted, mark in (("Escape", 3, False), ("C-c", 3, True), ("a", 0, False)):
        t = Terminal("enumprocesses /P,3 /O services.exe")
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
    finish()
