#!/usr/bin/env bash
# A later `./orsh echo x` (nothing to build, Wine's server kept from the run
# before) against a bare `wine64 orsh.exe echo x` in the same prefix, taken
# in turns in one run so that both see the same load. Prints each pair, the
# medians, their ratio and the load average.
#   bench/warm_runs.sh [ROUNDS]      (default 9; ./orsh must have run once)
set -u
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$root/scripts/common.sh"
rounds="${1:-9}"

ms() { local start; start=$(date +%s%N); "$@" >/dev/null 2>&1 </dev/null; echo $((($(date +%s%N) - start) / 1000000)); }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

"$root/orsh" echo x >/dev/null || exit 1  # builds when needed, starts the server
wrapped=() bare=()
for _ in $(seq "$rounds"); do
    wrapped+=("$(ms "$root/orsh" echo x)")
    bare+=("$(ms env WINEPREFIX="$VORNEL_PREFIX" DISPLAY="${DISPLAY:-}" "$WINE" "$VORNEL_BUILD/bin/orsh.exe" echo x)")
    echo "./orsh echo x ${wrapped[-1]} ms, wine64 orsh.exe echo x ${bare[-1]} ms"
done
w=$(median "${wrapped[@]}") b=$(median "${bare[@]}")
echo "medians: ./orsh $w ms, bare $b ms, ratio $(awk "BEGIN { printf \"%.2f\", $w / $b }"); load average $(cut -d' ' -f1-3 /proc/loadavg)"
