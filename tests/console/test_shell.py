#!/usr/bin/env python3
"""The interactive shell in a real terminal (tmux, 120 x 40): Ctrl-C at the
prompt drops the line and the shell goes on, also while a program it
started runs; a line longer than the shell takes runs not at all. Bursts of
Ctrl-C end neither the shell nor the programs it started with `start`."""
import re
import time

from console_terminal import Terminal, check, finish

PROMPT = "orsh>"


def prompts(screen):
    return sum(1 for r in screen if r.startswith(PROMPT))


def test_ctrl_c_and_long_lines():
    with Terminal("") as t:
        t.wait(lambda s: prompts(s) == 1, "the first prompt")
        # A half-typed line is dropped, not run.
        # Ctrl-C once the typed text shows, as a user sees it: one that
        # comes while Wine's console is still starting can hang it.
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


def burst(t, presses):
    before = prompts(t.screen())
    t.keys(*["C-c"] * presses)
    t.wait(lambda s: prompts(s) > before, "a prompt after the Ctrl-C burst", timeout=15)
    time.sleep(1)


def test_ctrl_c_bursts():
    with Terminal("") as t:
        t.wait(lambda s: prompts(s) == 1, "the first prompt")
        # A console program (a console of its own) and a windowed one.
        t.keys("start vornel_testhelper --tag burst", "Enter")
        t.wait(lambda s: sum("process ID" in r for r in s) == 1, "the helper's process ID")
        t.keys("start notepad", "Enter")
        screen = t.wait(lambda s: sum("process ID" in r for r in s) == 2, "notepad's process ID")
        started = re.findall(r"process ID (\d+)", "\n".join(screen))

        # Bursts at the prompt, after a failed command and during a program.
        # Each Ctrl-C that reaches the prompt drops what is typed after it,
        # so the next line waits until the burst has come through.
        burst(t, 5)
        t.keys("frobnicate", "Enter")
        t.wait(lambda s: "orsh: unknown command: frobnicate" in s, "the failed command")
        burst(t, 3)
        t.keys("ping -n 60 127.0.0.1", "Enter")
        t.wait(lambda s: any(r.startswith("Reply from") for r in s), "the program")
        burst(t, 4)
        burst(t, 3)

        t.keys("tasklist vornel_testhelper|notepad", "Enter")
        screen = t.wait(lambda s: any("Found" in r for r in s), "the listing")
        listed = "\n".join(screen)
        for pid in started:
            check(re.search(rf"^\s*{pid}\s", listed, re.M), f"started process {pid} lives", screen)
        t.keys("echo ok", "Enter")
        t.wait(lambda s: "ok" in s, "echo ok")
        for pid in started:
            t.keys(f"taskkill /pid {pid} /f", "Enter")
        t.keys("exit 5", "Enter")
        code, screen = t.wait_exit()
        check(code == 5, f"the shell ran to its exit: {code}", screen)


if __name__ == "__main__":
    test_ctrl_c_and_long_lines()
    test_ctrl_c_bursts()
    finish()
