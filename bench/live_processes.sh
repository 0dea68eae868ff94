#!/usr/bin/env bash
# Runs a command while about COUNT processes live in a Wine prefix of their
# own (build/wineprefix-bench, made on first use): a test helper with
# COUNT/2 - 5 children and as many grandchildren, beside the prefix's own
# few. WINEPREFIX is set for the command; it ends with the helpers.
#   bench/live_processes.sh COUNT COMMAND...
#   bench/live_processes.sh 500 /usr/lib/wine/wine64 build/bin/vornel_bench.exe --real
# (./run-tests or a build of the bench and the helper must have run once.)
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/common.sh"
[ $# -ge 2 ] || { echo "usage: $0 COUNT COMMAND..." >&2; exit 2; }
children=$(($1 / 2 - 5))
shift
export WINEPREFIX="$VORNEL_BUILD/wineprefix-bench"
vornel_prefix "$WINEPREFIX" "" || exit 1

work=$(mktemp -d)
trap 'exec 3>&-; wait; rm -rf "$work"' EXIT
mkfifo "$work/in"
# The helpers live until their standard input closes.
"$WINE" "$VORNEL_BUILD/bin/vornel_testhelper.exe" --children "$children" --grandchildren 1 \
    <"$work/in" >"$work/out" 2>&1 &
exec 3>"$work/in"
until grep -q '^ready' "$work/out"; do
    kill -0 $! 2>/dev/null || { echo "the test helper ended:" >&2; cat "$work/out" >&2; exit 1; }
    sleep 1
done
"$@"
