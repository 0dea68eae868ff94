"""A terminal for the console tests: one program of VORNEL_BIN (orsh.exe
unless told otherwise) runs once in a tmux server of its own (120 x 40, or
another size when told), and the shell stays after it so that the exit code can
be read from the pane. Importable by every test_*.py here."""
import os
import shlex
import subprocess
import sys
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


def finish():
    """Ends the test script: exit code 1 after any failure."""
    if failures:
        print(f"{len(failures)} failure(s)", file=sys.stderr)
        sys.exit(1)
    print("ok")


class Terminal:
    count = 0

    def __init__(self, args, program="orsh.exe", env="", width=120, height=40):
        """args and env (VAR=value assignments) are shell text: args may
        end in a redirection."""
        Terminal.count += 1
        self.socket = f"vornel-console-{os.getpid()}-{Terminal.count}"
        run = f"WINEPREFIX={shlex.quote(PREFIX)} WINEDEBUG=-all {env} {WINE} {program} {args}"
        command = f"cd {shlex.quote(BIN)} && {run}; echo EXIT=$?; sleep 600"
        self.tmux("new-session", "-d", "-x", str(width), "-y", str(height), command)

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

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def run(orsh_args):
    """Runs a command line to its end; returns its exit code and the screen
    with colours as ANSI escapes."""
    t = Terminal(orsh_args)
    try:
        code, _ = t.wait_exit()
        return code, t.screen(escapes=True)
    finally:
        t.close()


def row_of(rows, text):
    return next((r for r in rows if text in r), "")
