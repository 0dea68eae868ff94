#!/usr/bin/env bash
# Ends ./orsh's private X display (scripts/display.sh) once nothing of the
# Wine prefixes that used it runs any more: when the last of their Wine
# servers has ended, ten idle minutes after the last program (./orsh starts
# them with wineserver -p600). Started with the display, in a session of its
# own; ends with it. Usage: xvfb_watch.sh BUILD_DIR XVFB_PID
set -u
build="$1" xvfb="$2"
state="$build/xvfb.display" prefixes="$build/xvfb.prefixes"

# True while a Wine server serves one of the prefixes: a server works in a
# folder named after its prefix's device and inode.
a_server_runs() {
    local pid prefix folders=" "
    for pid in $(pgrep '^wineserver'); do
        folders+="$(readlink "/proc/$pid/cwd") "
    done
    while read -r prefix; do
        [[ "$folders" == *"/$(stat -c 'server-%D-' "$prefix" 2>/dev/null)$(printf '%x' "$(stat -c %i "$prefix" 2>/dev/null)") "* ]] &&
            return 0
    done <"$prefixes"
    return 1
}

xvfb_runs() {
    local name=""
    { read -r name <"/proc/$xvfb/comm"; } 2>/dev/null && [ "$name" = Xvfb ]
}

# ./orsh starts its server while holding the display's lock, so once the
# lock is had no server can come between the last look and the end.
while xvfb_runs; do
    sleep 10
    a_server_runs && continue
    exec {lock}>"$build/xvfb.lock"
    flock "$lock"
    xvfb_runs || exit 0
    if ! a_server_runs; then
        kill "$xvfb"
        rm -f "$state" "$prefixes"
        exit 0
    fi
    exec {lock}>&-
done
