#!/usr/bin/env python3
"""The product's code (the plug-in, the stand-in host and shell) read by a
second compiler and by a checker, beside the build's g++: any message fails.
  clang     clang++ for the same target, with the same mingw-w64 headers,
            defines and warnings as the build, syntax only
  cppcheck  Debian's cppcheck at the warning, performance and portability
            levels; a finding it cannot see is no fault is suppressed inline,
            with the reason, where it is reported
Both take the product's files and flags from the build's compile_commands.json.
Usage: static_checks.py clang|cppcheck BUILD_DIR SOURCE_DIR"""
import json
import os
import re
import shlex
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

check, build, source = sys.argv[1:]
FOLDERS = ("frame", "console", "procinfo", "commands", "host")
JOBS = min(2, os.cpu_count() or 1)


def product_entries():
    entries = json.loads((Path(build) / "compile_commands.json").read_text())
    for entry in entries:
        relative = os.path.relpath(entry["file"], source)
        if relative.split(os.sep)[0] in FOLDERS:
            yield relative, [a for arg in shlex.split(entry["command"]) for a in expanded(arg, entry["directory"])]


def expanded(arg, folder):
    """The words of a response file (@file: the include folders of a mingw-w64 build), else the word."""
    if not arg.startswith("@"):
        return [arg]
    return shlex.split((Path(folder) / arg[1:]).read_text())


def build_flags(args):
    """The defines, include folders, language standard and warnings of one compile."""
    return [a for a in args[1:] if re.match(r"-(D|I|std=|W)", a)]


def tool(name):
    path = shutil.which(name)
    if not path:
        sys.exit(f"{name} not found: ./run-tests installs it")
    return path


def library_headers(compiler):
    """The cross compiler's C++ library and mingw-w64 headers, without its own
    built-in headers (clang brings its own)."""
    out = subprocess.run([compiler, "-x", "c++", "-std=c++20", "-E", "-v", "-"], input="",
                         capture_output=True, text=True, check=True).stderr
    listed = out.split("search starts here:")[-1].split("End of search list.")[0].split()
    folders = [os.path.realpath(f) for f in listed]
    return [f for f in folders if "/lib/gcc/" not in f or "/c++" in f]


def run_clang(entries):
    clang = tool("clang++")
    resource = subprocess.run([clang, "-print-resource-dir"], capture_output=True, text=True,
                              check=True).stdout.strip()
    headers = library_headers(entries[0][1][0]) + [resource + "/include"]
    common = [clang, "--target=x86_64-w64-mingw32", "-fsyntax-only", "-nostdinc"]
    common += [a for h in headers for a in ("-isystem", h)]

    def one(entry):
        relative, args = entry
        return subprocess.run(common + build_flags(args) + [relative], cwd=source,
                              capture_output=True, text=True)

    with ThreadPoolExecutor(JOBS) as pool:
        runs = list(pool.map(one, entries))
    return [r.stdout + r.stderr for r in runs if r.returncode or r.stdout or r.stderr]


def run_cppcheck(entries):
    flags = sorted({f for _, args in entries for f in build_flags(args) if f.startswith(("-D", "-I"))})
    run = subprocess.run([tool("cppcheck"), "--enable=warning,performance,portability", "--std=c++20",
                          "--platform=win64", "--library=windows", "-D_WIN32", "-D_WIN64", "--inline-suppr",
                          "--quiet", f"-j{JOBS}", *flags, *FOLDERS], cwd=source, capture_output=True, text=True)
    return [run.stdout + run.stderr] if run.returncode or run.stdout or run.stderr else []


entries = sorted(product_entries())
if not entries:
    sys.exit(f"no file of {', '.join(FOLDERS)} in {build}/compile_commands.json")
reports = (run_clang if check == "clang" else run_cppcheck)(entries)
for report in reports:
    print(report, end="")
print(f"{check}: {len(entries)} files, {'no message' if not reports else 'messages above'}")
sys.exit(1 if reports else 0)
