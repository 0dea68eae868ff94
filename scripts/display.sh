# A private X display for ./orsh when DISPLAY is unset (an ssh session, a
# container). Wine needs one for every window: without it a windowed program
# ends at once and the help viewer never opens, and WINEDEBUG=-all hides why.
# ./run-tests starts one of its own the same way, for the run alone.
# Sourced after common.sh, not run.
#
# One Xvfb per build directory, started on first need and kept for later
# runs while the Wine prefixes that use it run anything: it ends with the
# last of their Wine servers (scripts/xvfb_watch.sh). build/xvfb.display
# holds its display number, its process ID and its watcher's; a later run
# uses it while that process is still an Xvfb and its socket is there, and
# starts a new one otherwise. build/xvfb.prefixes lists the prefixes.

VORNEL_XVFB_STATE="$VORNEL_BUILD/xvfb.display"

vornel_xvfb_alive() {
    local display="$1" pid="$2" name=""
    [[ "$display" =~ ^[0-9]+$ && "$pid" =~ ^[0-9]+$ ]] &&
        [ -S "/tmp/.X11-unix/X$display" ] &&
        { read -r name <"/proc/$pid/comm"; } 2>/dev/null && [ "$name" = Xvfb ]
}

# vornel_xvfb_launch NAME: starts Xvfb on a free display, in a session of
# its own so that neither Ctrl-C nor a closed terminal ends it, with no
# handle on our output (a caller reading through a pipe would otherwise wait
# for it); its output goes to build/NAME.log. Sets vornel_xvfb_display and
# vornel_xvfb_pid.
vornel_xvfb_launch() {
    local numbers="$VORNEL_BUILD/$1.number" log="$VORNEL_BUILD/$1.log" pid display=""
    mkdir -p "$VORNEL_BUILD"
    rm -f "$numbers"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numbers" </dev/null >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 300); do
        [ -s "$numbers" ] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$numbers" ] && read -r display <"$numbers"
    rm -f "$numbers"
    if ! vornel_xvfb_alive "$display" "$pid"; then
        kill "$pid" 2>/dev/null
        vornel_log "could not start Xvfb; the last lines of $log:"
        vornel_log_end "$log"
        return 1
    fi
    vornel_xvfb_display="$display" vornel_xvfb_pid="$pid"
}

# The private display, kept for later runs.
vornel_xvfb_start() {
    vornel_xvfb_launch xvfb || return 1
    local display="$vornel_xvfb_display" pid="$vornel_xvfb_pid"
    echo "$display $pid" >"$VORNEL_XVFB_STATE"
    : >"$VORNEL_BUILD/xvfb.prefixes"
    vornel_log "DISPLAY is not set: started a private X display :$display (Xvfb, process $pid)" \
        "for Wine's windows; later runs use it too, and it ends with their Wine server," \
        "ten minutes after the last program"
}

vornel_xvfb_watched() {
    grep -qsa xvfb_watch.sh "/proc/$1/cmdline"
}

# vornel_private_display PREFIX COMMAND...: sets DISPLAY to the build's
# private display, starting it when needed, and runs COMMAND (which starts
# PREFIX's Wine server) while the display's watcher cannot end it: the
# watcher looks for servers under the same lock. Two runs at once share one
# display; a display an older run started without a watcher gets one.
vornel_private_display() {
    local prefix="$1" lock display="" pid="" watcher=""
    shift
    mkdir -p "$VORNEL_BUILD"
    exec {lock}>"$VORNEL_BUILD/xvfb.lock"
    flock "$lock"
    [ -f "$VORNEL_XVFB_STATE" ] && read -r display pid watcher <"$VORNEL_XVFB_STATE"
    if ! vornel_xvfb_alive "$display" "$pid"; then
        vornel_xvfb_start {lock}>&- || { exec {lock}>&-; return 1; }
        read -r display pid watcher <"$VORNEL_XVFB_STATE"
    fi
    grep -qsxF "$prefix" "$VORNEL_BUILD/xvfb.prefixes" || echo "$prefix" >>"$VORNEL_BUILD/xvfb.prefixes"
    export DISPLAY=":$display"
    "$@" {lock}>&-
    if ! vornel_xvfb_watched "${watcher:-x}"; then
        setsid "$VORNEL_ROOT/scripts/xvfb_watch.sh" "$VORNEL_BUILD" "$pid" </dev/null >/dev/null 2>&1 {lock}>&- &
        echo "$display $pid $!" >"$VORNEL_XVFB_STATE"
    fi
    exec {lock}>&-
}
