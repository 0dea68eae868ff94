#!/usr/bin/env bash
# ./run-tests --coverage [ctest arguments]: every test layer (or those the
# arguments select) against a build that counts which lines and branches of
# the plug-in and of the stand-in host and shell ran; then a table per folder
# and the lines no test ran by file, on standard output and in
# build-coverage/coverage/summary.txt, and an HTML report.
#
# The build has a directory of its own (build-coverage/, or
# VORNEL_COVERAGE_DIR) with its own Wine prefixes, so build/ and the normal
# test run stay as they are. Each program writes its counts into .gcda files
# beside the objects when it exits: orsh.exe those of OrshHost.dll and
# Vornel.dll as well, the unit tests those of the plug-in's code they link.
# Wine takes the objects' Unix paths compiled into the modules as they are
# (from any current drive). A process that is killed writes nothing, so the
# figures are those of programs that end as users end them. The mingw-w64
# gcov reads the counts; gcovr adds them up.
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export VORNEL_BUILD_DIR="${VORNEL_COVERAGE_DIR:-$root/build-coverage}"
source "$root/scripts/common.sh"

# gcov comes with the cross compiler; gcovr is a package of its own.
vornel_packages+=("gcovr:/usr/bin/gcovr" "gcc-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-gcov-posix")
vornel_install || { vornel_log "could not install the packages"; exit 1; }

configure() {
    cmake -S "$VORNEL_ROOT" -B "$VORNEL_BUILD" -DCMAKE_TOOLCHAIN_FILE="$VORNEL_ROOT/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DVORNEL_COVERAGE=ON
}
vornel_build_lock
if ! grep -qx 'VORNEL_COVERAGE:BOOL=ON' "$VORNEL_BUILD/CMakeCache.txt" 2>/dev/null ||
    [ ! -f "$VORNEL_BUILD/Makefile" ]; then
    vornel_step "$VORNEL_BUILD/configure.log" "configuring $VORNEL_BUILD with coverage counts" "configured" \
        configure {vornel_build_fd}>&- || exit 1
fi
vornel_build_unlock

# Counts add up from run to run: start from none. A rebuilt object would not
# match its old counts, and every program would say so on standard error,
# which the tests compare.
find "$VORNEL_BUILD" -name '*.gcda' -delete
"$VORNEL_ROOT/run-tests" "$@"
tests=$?

report="$VORNEL_BUILD/coverage"
mkdir -p "$report"
rm -f "$report"/*.html
gcovr_report() {
    cd "$VORNEL_ROOT" &&
        gcovr --root . --gcov-executable x86_64-w64-mingw32-gcov-posix -j "$(nproc)" \
            --filter 'frame/' --filter 'console/' --filter 'procinfo/' --filter 'commands/' --filter 'host/' \
            --exclude-throw-branches --exclude-unreachable-branches \
            --json "$report/coverage.json" --html-details "$report/index.html" "$VORNEL_BUILD"
}
vornel_step "$report/gcovr.log" "reading the counts with gcov" "read" gcovr_report || exit 1

python3 - "$report/coverage.json" >"$report/summary.txt" <<'EOF'
import json, sys
from collections import defaultdict

# Per file: the lines gcov knows as code, those that ran, and the branches.
files = json.load(open(sys.argv[1]))["files"]
folders = defaultdict(lambda: [0, 0, 0, 0])
unrun = {}
for f in files:
    name = f["file"]
    parts = name.split("/")
    folder = "/".join(parts[:2]) if parts[0] in ("commands", "host") else parts[0]
    lines = [l for l in f["lines"] if not l.get("gcovr/noncode")]
    branches = [b for l in lines for b in l["branches"]]
    figures = (sum(l["count"] > 0 for l in lines), len(lines),
               sum(b["count"] > 0 for b in branches), len(branches))
    for total in (folders[folder], folders["plug-in" if parts[0] != "host" else "stand-in"]):
        for i, value in enumerate(figures):
            total[i] += value
    missed = [l["line_number"] for l in lines if l["count"] == 0]
    if missed:
        unrun[name] = missed

def percent(done, total):
    return f"{100 * done / total:5.1f} %" if total else "    - "

print(f"{'folder':<24}{'lines':>18}{'branches':>20}")
for folder in sorted(folders, key=lambda k: (k in ("plug-in", "stand-in"), k.startswith("host"), k)):
    ran, lines, taken, branches = folders[folder]
    if folder == "plug-in":
        print("-" * 62)
    print(f"{folder:<24}{ran:>6} / {lines:<5}{percent(ran, lines)}{taken:>6} / {branches:<5}{percent(taken, branches)}")

def ranges(numbers):
    out, start = [], numbers[0]
    for a, b in zip(numbers, numbers[1:] + [None]):
        if b != a + 1:
            out.append(f"{start}" if start == a else f"{start}-{a}")
            start = b
    return ", ".join(out)

print("\nLines no test ran:")
for name in sorted(unrun):
    print(f"  {name}: {ranges(unrun[name])}")
EOF
cat "$report/summary.txt"
vornel_log "the table and the lines no test ran: $report/summary.txt; HTML report: $report/index.html"
exit "$tests"
