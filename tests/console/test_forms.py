#!/usr/bin/env python3
"""The listings for programs (/FO:CSV, /FO:JSON) in a pipe, read back by
Python's csv and json readers and compared with the table form of the same
switches: IDs, names and order; a command line with commas and quotes and a
title with a control character and an emoji, whole; the trees as nested
children; threads and modules; a CJK service name; bad form values."""
import csv
import io
import json
import os
import re
import subprocess

from console_terminal import BIN, PREFIX, WINE, check, finish
from test_services import Services

TAG = 'a,b "quoted", c'
TITLE = "Vf\x07T \U0001F600"
ROW = re.compile(r"^[\s\u2502\u251c\u2514\u2500]*([0-9]+)\*?\s+(\S+)")


def orsh(line):
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all", VORNEL_ORSH_LINE=line)
    r = subprocess.run([WINE, "orsh.exe", line], env=env, cwd=BIN, stdin=subprocess.DEVNULL, capture_output=True)
    return r.returncode, r.stdout.decode("utf-8"), r.stderr.decode("utf-8")


def table(line):
    """(ID, name) of each row of the table form, in its order."""
    _, out, _ = orsh(line)
    return [(int(m[1]), m[2]) for m in map(ROW.match, out.splitlines()) if m]


def rows(line):
    code, out, err = orsh(line)
    check(code == 0 and err == "" and out.endswith("\r\n"), f"{line}: {code} {err!r}")
    return list(csv.DictReader(io.StringIO(out, newline="")))


def document(line):
    code, out, err = orsh(line)
    check(code == 0 and err == "", f"{line}: {code} {err!r}")
    return json.loads(out)


def walk(records, level=0):
    for r in records:
        yield level, r
        yield from walk(r.get("children", []), level + 1)


def test_tasklist(pid):
    wanted = table(f"tasklist /N:F /R ={pid}")
    check(len(wanted) == 5, f"the helper's tree: {wanted}")
    got = rows(f"tasklist /R /FO:CSV /U /M /L ={pid}")
    check([(int(r["PID"]), r["Name"]) for r in got] == wanted, f"CSV rows in the table's order: {got}")
    check(list(got[0]) == ["PID", "Name", "Owner", "Working Set (bytes)", "Command Line"], f"CSV header: {got[0]}")
    check(got[0]["Command Line"].endswith(f'--tag "{TAG.replace(chr(34), chr(92) + chr(34))}"'),
          f"the whole command line: {got[0]['Command Line']!r}")
    check(all(int(r["Working Set (bytes)"]) > 65536 and r["Owner"] for r in got), f"bytes and owners: {got}")

    tree = document(f"tasklist /r /fo=json /h ={pid}")
    check([(r["pid"], r["name"]) for _, r in walk(tree)] == wanted, f"JSON tree in the table's order: {tree}")
    check([level for level, _ in walk(tree)] == [0, 1, 2, 1, 2], f"nested children: {tree}")
    root = tree[0]
    check(root["windowTitle"] == TITLE and root["services"] == [] and len(root["threads"]) >= 3,
          f"the title whole, threads as an array: {root}")

    threads = rows(f"tasklist /fo:csv /h ={pid}")
    check([int(r["Thread ID"]) for r in threads] == [t["threadId"] for t in root["threads"]] and
          all(r["PID"] == str(pid) and r["Window Title"] == "Vf?T \U0001F600" for r in threads),
          f"CSV: one row per thread, the control character masked: {threads}")
    _, out, _ = orsh(f"tasklist /fo:csv /nh /d ={pid}")
    _, with_header, _ = orsh(f"tasklist /fo:csv /d ={pid}")
    check(with_header.split("\r\n", 1)[1] == out and "vornel_testhelper.exe; " in out, f"/NH: {out!r}")


def test_enumprocesses(pid):
    _, out, _ = orsh(f"enumprocesses {pid}")
    wanted = [((len(r) - len(r.lstrip())) // 2, int(r.split()[0])) for r in out.splitlines() if r.strip()]
    tree = document(f"enumprocesses /fo:json /w {pid}")
    check([(level, r["pid"]) for level, r in walk(tree)] == wanted, f"ENUMPROCESSES tree: {tree} {wanted}")
    check(tree[0]["windowTitle"] == TITLE, f"ENUMPROCESSES /W title: {tree[0]}")
    got = rows(f"enumprocesses /fo:csv {pid}")
    check([(int(r["Level"]), int(r["PID"])) for r in got] == wanted, f"ENUMPROCESSES CSV levels: {got}")


def test_services():
    services = Services(["Vform\u670d\u52a1", "VformB"])
    try:
        _, out, _ = orsh("services /i /o:-n Vform*")
        wanted = [r.split()[0] for r in out.splitlines() if "\u2014" in r]
        got = rows("services /fo:csv /i /o:-n Vform*")
        check([r["Name"] for r in got] == wanted == ["Vform\u670d\u52a1", "VformB"] and got[0]["PID"] == "",
              f"SERVICES CSV: {got} {wanted}")
        # Each request's result is a record; the name that selects nothing is an error, apart.
        code, out, err = orsh("services /r /fo:json Vform\u670d\u52a1 Nothing*")
        started = json.loads(out)
    finally:
        services.close()
    check(code == 2 and err == 'Vornel plugin: No service matches "NOTHING*"\r\n' and
          started[0]["result"] == "started" and started[0]["state"] == "Running", f"/R as records: {started}")


def test_bad_values():
    for line, value in (("tasklist /fo", ""), ("services /FO:xml", "xml"), ("enumprocesses /fo=csv2", "CSV2")):
        check(orsh(line) == (1, "", f'Vornel plugin: Bad value: "{value}"\r\n'), f"{line}: {orsh(line)}")


if __name__ == "__main__":
    # A first window may start Wine's desktop process as a child of its
    # program: an unlisted helper's window comes first.
    env = dict(os.environ, WINEPREFIX=PREFIX, WINEDEBUG="-all")
    anchor = subprocess.Popen([WINE, f"{BIN}/vornel_testhelper.exe", "--window", "VformAnchor||0|0"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env)
    next(line for line in anchor.stdout if line == "ready\n")
    with anchor, subprocess.Popen([WINE, f"{BIN}/vornel_testhelper.exe", "--children", "2", "--grandchildren", "1",
                           "--threads", "2", "--window", f"{TITLE}|VformClass|1|0", "--tag", TAG],
                          stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, env=env) as helper:
        # The children report their IDs first; the helper's own comes last, before "ready".
        pid = 0
        for line in iter(helper.stdout.readline, "ready\n"):
            pid = int(line[4:]) if line.startswith("pid ") else pid
        test_tasklist(pid)
        test_enumprocesses(pid)
        helper.stdin.close()
        anchor.stdin.close()
    test_services()
    test_bad_values()
    finish()
