#!/usr/bin/env python3
"""SERVICES in a real terminal (tmux, 120 x 40) with services of our own
test program: Esc at a page prompt stops the listing before the later
services are started or stopped; /HL: names and display names in the
reversed highlight colour; /D plain."""
import os
import shlex
import subprocess
import sys
import time

BIN = os.environ["VORNEL_BIN"]
PREFIX = os.environ["WINEPREFIX"]
WINE = "/usr/lib/wine/wine64"
PROMPT = "   \u2500\u2500 Press a key to continue \u2500\u2500"
SERVICE_PROGRAM = "Z:" + os.path.join(BIN, "vornel_testservice.exe").replace("/", "\\")
failures = []


def check(condition, message, screen=None):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)
        if screen is not None:
            print("\n".join(screen), file=sys.stderr)


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


def settled(name, wanted):
    deadline = time.monotonic() + 10
    while state(name) != wanted and time.monotonic() < deadline:
        time.sleep(0.2)
    return state(name) == wanted


class Services:
    """Own-process services of the test program, deleted on close."""

    def __init__(self, names):
        self.names = names
        for name in names:
            sc("create", name, "binPath=", f'"{SERVICE_PROGRAM}" {name}', "type=", "own", "start=", "demand",
               "displayname=", f"Vornel Test {name}")

    def close(self):
        for name in self.names:
            sc("stop", name)
            settled(name, "STOPPED")
            sc("delete", name)


class Terminal:
    """A tmux server of its own running one orsh command line; the shell
    stays after it so that the exit code can be read from the pane."""

    count = 0

    def __init__(self, args):
        Terminal.count += 1
        self.socket = f"vornel-services-{os.getpid()}-{Terminal.count}"
        run = f"WINEPREFIX={shlex.quote(PREFIX)} WINEDEBUG=-all {WINE} orsh.exe services {args}"
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


def test_esc_leaves_later_services_untouched():
    names = [f"VcsEsc{i}" for i in range(1, 7)]
    services = Services(names)
    t = Terminal("/P,3 /D /R VcsEsc*")
    try:
        screen = t.wait(lambda s: PROMPT in s, "the first prompt")
        check(screen.index(PROMPT) == 3, "the prompt below the third line", screen)
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc: {code}", screen)
        check(not any("VcsEsc4" in r for r in screen), "no line after Esc", screen)
        # Only the services whose lines were written got a start request.
        for name in names[:3]:
            check(settled(name, "RUNNING"), f"{name} started")
        for name in names[3:]:
            check(state(name) == "STOPPED", f"{name} untouched: {state(name)}")
    finally:
        t.close()

    # The same for stop requests: the running services of the first page
    # stop, the later ones keep running.
    for name in names[3:]:
        sc("start", name)
        settled(name, "RUNNING")
    t = Terminal("/P,3 /D /S VcsEsc*")
    try:
        t.wait(lambda s: PROMPT in s, "the first prompt")
        t.keys("Escape")
        code, screen = t.wait_exit()
        check(code == 3, f"exit after Esc with /S: {code}", screen)
        for name in names[:3]:
            check(settled(name, "STOPPED"), f"{name} stopped")
        for name in names[3:]:
            check(state(name) == "RUNNING", f"{name} still running: {state(name)}")
    finally:
        t.close()
        services.close()


def row_of(rows, text):
    return next((r for r in rows if text in r), "")


def run(args):
    t = Terminal(args)
    try:
        code, screen = t.wait_exit()
        return code, screen, t.screen(escapes=True)
    finally:
        t.close()


def test_highlight():
    services = Services(["VcsHlAlpha", "VcsHlBeta"])
    try:
        # Grey on black: names in bright white (0F); a name matched by /HL:
        # in black on bright white (F0), still padded to 18 columns.
        code, screen, raw = run("/HL:*Alpha VcsHl*")
        alpha, beta = row_of(raw, "VcsHlAlpha"), row_of(raw, "VcsHlBeta")
        check(code == 0 and "\x1b[30m\x1b[107mVcsHlAlpha" in alpha, f"/HL: on the name: {alpha!r}", raw)
        check("\x1b[97mVcsHlBeta" in beta and "\x1b[107m" not in beta, f"other names as usual: {beta!r}", raw)
        check(row_of(screen, "VcsHlAlpha").startswith("VcsHlAlpha          Vornel Test VcsHlAlpha \u2014 Stopped"),
              "the reversed name keeps the columns", screen)
        # The display name matched on its own.
        code, screen, raw = run("/HL:Vornel*Beta VcsHl*")
        beta = row_of(raw, "VcsHlBeta")
        check(code == 0 and "\x1b[97mVcsHlBeta" in beta and "\x1b[30m\x1b[107mVornel Test VcsHlBeta" in beta,
              f"/HL: on the display name: {beta!r}", raw)
        # /D: no colour at all, the highlight list ignored.
        code, screen, raw = run("/D /HL:*Alpha VcsHl*")
        check(code == 0 and not any("\x1b" in r for r in raw if "VcsHl" in r), "/D leaves the lines plain", raw)
    finally:
        services.close()


if __name__ == "__main__":
    started = time.monotonic()
    for test in (test_esc_leaves_later_services_untouched, test_highlight):
        test()
    print(f"{len(failures)} failure(s) in {time.monotonic() - started:.1f} s")
    sys.exit(1 if failures else 0)
