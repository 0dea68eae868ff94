#!/usr/bin/env python3
"""SERVICES in a real terminal (tmux, 120 x 40) with services of our own
test program: Esc at a page prompt stops the listing before the later
services are started or stopped; Ctrl-C while the service manager holds a
start ends the wait at once and keeps the line whole; /HL: names and
display names in the reversed highlight colour; /D plain."""
import os
import re
import subprocess
import time

from console_terminal import BIN, PREFIX, PROMPT, WINE, Terminal, check, finish, row_of, run

SERVICE_PROGRAM = "Z:" + os.path.join(BIN, "vornel_testservice.exe").replace("/", "\\")


def sc(*args):
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all")
    return subprocess.run([WINE, "sc", *args], env=env, stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, errors="replace", cwd=BIN).stdout


def state(name):
    """The state word sc reports (RUNNING, STOPPED, ...), or None."""
    for row in sc("query", name).splitlines():
        if "STATE" in row:
            return row.split()[-1]
    return None


def settled(name, wanted, timeout=10):
    deadline = time.monotonic() + timeout
    while state(name) != wanted and time.monotonic() < deadline:
        time.sleep(0.2)
    return state(name) == wanted


def held(name):
    """Waits until the manager holds the start of `name`; the time it was seen."""
    deadline = time.monotonic() + 20
    while state(name) != "START_PENDING" and time.monotonic() < deadline:
        time.sleep(0.1)
    return time.monotonic()


def prompts(screen):
    return sum(1 for r in screen if r.startswith("orsh>"))


class Services:
    """Own-process services of the test program, deleted on close."""

    def __init__(self, names, options=""):
        self.names = names
        for name in names:
            sc("create", name, "binPath=", f'"{SERVICE_PROGRAM}" {options}{name}', "type=", "own", "start=",
               "demand", "displayname=", f"Vornel Test {name}")

    def close(self):
        for name in self.names:
            sc("stop", name)
            settled(name, "STOPPED")
            sc("delete", name)


def esc_at_first_prompt(args):
    """Runs a listing of six services paged by three lines and presses Esc
    at the first prompt."""
    t = Terminal(f"services /P,3 /D {args} VcsEsc*")
    try:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 3, "the prompt below the third line", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("VcsEsc4" in r for r in screen), "no line after Esc", screen)
    finally:
        t.close()


def test_esc_leaves_later_services_untouched():
    names = [f"VcsEsc{i}" for i in range(1, 7)]
    services = Services(names)
    try:
        # Only the services whose lines were written get a request.
        esc_at_first_prompt("/R")
        for name in names[:3]:
            check(settled(name, "RUNNING"), f"{name} started")
        for name in names[3:]:
            check(state(name) == "STOPPED", f"{name} untouched by /R: {state(name)}")

        for name in names[3:]:
            sc("start", name)
            settled(name, "RUNNING")
        esc_at_first_prompt("/S")
        for name in names[:3]:
            check(settled(name, "STOPPED"), f"{name} stopped")
        for name in names[3:]:
            check(state(name) == "RUNNING", f"{name} untouched by /S: {state(name)}")
    finally:
        services.close()


def test_ctrl_c_while_the_manager_holds_a_start():
    """Ctrl-C while the service manager holds a start request (the service's
    program never connects): the command stops waiting at once, while the
    manager still waits; the line says the state last read and stays whole,
    one mark follows it, the next service is not started. The request ends
    in the background with the shell still alive, and the shell can exit
    while one is held."""
    names = ["VcsHeld1", "VcsHeld2"]
    services = Services(names, "--never ")
    t = Terminal("")
    try:
        t.wait(lambda s: prompts(s) == 1, "the first prompt")
        t.keys("services /R VcsHeld*", "Enter")
        pending = held(names[0])
        t.keys("C-c")
        pressed = time.monotonic()
        screen = t.wait(lambda s: prompts(s) == 2, "the prompt after Ctrl-C")
        back = time.monotonic()
        check(state(names[0]) == "START_PENDING", "back while the manager still holds the request", screen)
        # The terminal echoes the key itself ("^C") where the cursor was.
        rows = [r.removeprefix("^C") for r in screen if r.strip()]
        first = next((i for i, r in enumerate(rows) if "VcsHeld1" in r), None)
        check(first is not None and rows[first] == "VcsHeld1            Vornel Test VcsHeld1 \u2014 Starting",
              "the service's line, whole, with the state last read", screen)
        check(sum("^C" in r for r in rows) == 1 and first is not None and rows[first + 1] == " ^C",
              "one mark, after the line", screen)
        check(not any("Cannot start" in r for r in rows), "no message for the start left to run", screen)
        check(state(names[1]) == "STOPPED", f"the next service untouched: {state(names[1])}", screen)

        # The manager gives up on the program; the request's own thread ends
        # inside the shell, which goes on.
        check(settled(names[0], "STOPPED", 30), "the manager gave up")
        wait = time.monotonic() - pending
        check(back - pressed < wait / 4, f"back {back - pressed:.2f} s after Ctrl-C; the manager waited {wait:.1f} s")
        t.keys("services /R VcsHeld2", "Enter")
        held(names[1])
        t.keys("C-c")
        t.wait(lambda s: prompts(s) == 3, "the prompt after the second Ctrl-C")
        t.keys("exit 6", "Enter")
        code, screen = t.wait_exit()
        check(code == 6 and state(names[1]) == "START_PENDING",
              f"the shell ended while a start was held: {code}", screen)
    finally:
        t.close()
        services.close()


def plain(row):
    return re.sub(r"\x1b\[[0-9;]*m", "", row)


def test_highlight():
    services = Services(["VcsHlAlpha", "VcsHlBeta", "VcsHlLongestNameAlpha"])
    try:
        # Grey on black: names in bright white (0F); a name matched by /HL:
        # in black on bright white (F0), still padded to 18 columns; a longer
        # one whole, two blanks after it.
        code, raw = run("services /HL:*Alpha VcsHl*")
        alpha, beta = row_of(raw, "VcsHlAlpha"), row_of(raw, "VcsHlBeta")
        longest = row_of(raw, "VcsHlLongestNameAlpha")
        check(code == 0 and "\x1b[30m\x1b[107mVcsHlAlpha" in alpha, f"/HL: on the name: {alpha!r}", raw)
        check("\x1b[97mVcsHlBeta" in beta and "\x1b[107m" not in beta, f"other names as usual: {beta!r}", raw)
        check(plain(alpha).startswith("VcsHlAlpha          Vornel Test VcsHlAlpha \u2014 Stopped"),
              f"the reversed name keeps the columns: {alpha!r}", raw)
        check("\x1b[30m\x1b[107mVcsHlLongestNameAlpha" in longest and
              plain(longest).startswith("VcsHlLongestNameAlpha  Vornel Test VcsHlLongestNameAlpha \u2014 Stopped"),
              f"a long reversed name: {longest!r}", raw)
        # The display name matched on its own.
        code, raw = run("services /HL:Vornel*Beta VcsHl*")
        beta = row_of(raw, "VcsHlBeta")
        check(code == 0 and "\x1b[97mVcsHlBeta" in beta and "\x1b[30m\x1b[107mVornel Test VcsHlBeta" in beta,
              f"/HL: on the display name: {beta!r}", raw)
        # /D: no colour at all, the highlight list ignored.
        code, raw = run("services /D /HL:*Alpha VcsHl*")
        check(code == 0 and not any("\x1b" in r for r in raw if "VcsHl" in r), "/D leaves the lines plain", raw)
    finally:
        services.close()


if __name__ == "__main__":
    test_esc_leaves_later_services_untouched()
    test_ctrl_c_while_the_manager_holds_a_start()
    test_highlight()
    finish()
