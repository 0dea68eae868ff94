#!/usr/bin/env python3
"""The interactive shell in a real terminal (tmux, 120 x 40): Ctrl-C at the
prompt drops the line and the shell goes on, also while a program it
started runs; a line longer than the shell takes runs not at all. Bursts of
Ctrl-C end neither the shell nor the programs it started with `start`."""
import time

from console_terminal import Terminal, check, finish

PROMPT = "orsh>"


def prompts(screen):
    return sum(1 for r in screen if r.startswith(PROMPT))


def test_ctrl_c_and_long_lines():
    with Terminal("") as t:
        t.wait(lambda s: prompts(s) == 1, "the first prompt")
        # A half-typed line is dropped, not run.
        # Ctrl-C once the text shows: one while Wine's console starts can hang it.
        t.keys("echo dropped")
        t.wait(lambda s: "orsh> echo dropped" in s, "the typed line")
        t.keys("C-c")
        screen = t.wait(lambda s: prompts(s) == 2, "a new prompt after Ctrl-C")
        check("^C" in screen and "dropped" not in screen, "the line is dropped", screen)

        # A program that the shell waits for gets the Ctrl-C; the shell stays.
        t.keys("ping -n 60 127.0.0.1", "Enter")
        t.wait(lambda s: any(r.startswith("Pinging") for r in s), "the program")
        t.keys("C-c")
        t.wait(lambda s: prompts(s) == 3, "the prompt after the program", timeout=15)

        # 8192 characters: refused whole; the last result is 1.
        t.keys("echo " + "A" * 8187, "Enter")
        t.wait(lambda s: any("none of it ran" in r for r in s), "the error")
        t.keys("echo result %_?", "Enter")
        screen = t.wait(lambda s: "result 1" in s, "the last result")
        check("orsh: the line has 8192 characters, more than 8191; none of it ran" in screen,
              "the error message", screen)
        t.keys("exit 4", "Enter")
        code, screen = t.wait_exit()
        check(code == 4, f"the shell ran to its exit: {code}", screen)


def test_ctrl_c_bursts():
    with Terminal("") as t:
        t.wait(lambda s: prompts(s) == 1, "the first prompt")
        # A console program (a console of its own) and a windowed one live on.
        t.keys("start vornel_testhelper --tag burst", "Enter", "start notepad", "Enter")
        screen = t.wait(lambda s: sum(r.startswith("process ID") for r in s) == 2, "the process IDs")
        started = [r.split()[-1] for r in screen if r.startswith("process ID")]
        # Bursts at the prompt, after a failed command and during a program.
        for line, shows in (("", ""), ("frobnicate", "orsh: unknown command: frobnicate"),
                            ("ping -n 60 127.0.0.1", "Reply from")):
            if line:
                t.keys(line, "Enter")
                t.wait(lambda s: any(r.startswith(shows) for r in s), line)
            before = prompts(t.screen())
            t.keys(*["C-c"] * 4)
            t.wait(lambda s: prompts(s) > before, "a prompt after the Ctrl-C burst", timeout=15)
            time.sleep(1)  # the rest of the burst comes through before the next line is typed
        t.keys("tasklist vornel_testhelper|notepad", "Enter")
        screen = t.wait(lambda s: any("Found" in r for r in s), "the listing")
        for pid in started:
            check(any(r.split()[:1] == [pid] for r in screen), f"started process {pid} lives", screen)
        t.keys("echo ok", "Enter")
        t.wait(lambda s: "ok" in s, "echo ok")
        t.keys(*[k for pid in started for k in (f"taskkill /pid {pid} /f", "Enter")], "exit 5", "Enter")
        check(t.wait_exit()[0] == 5, "the shell ran to its exit")


if __name__ == "__main__":
    test_ctrl_c_and_long_lines()
    test_ctrl_c_bursts()
    finish()
