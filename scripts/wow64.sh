# Wine's 32-bit half in the project's prefixes. The bootstrap installs it
# (common.sh) before ./orsh or ./run-tests makes a prefix, but a prefix made
# before it was there has an empty syswow64, where every 32-bit program
# fails to load kernel32.dll, and `wineboot -u` does not fill it: only a new
# prefix does. Sourced after common.sh, not run.

vornel_prefix_runs_32bit() {
    [ -e "$1/drive_c/windows/syswow64/kernel32.dll" ]
}

# The tests' prefixes hold nothing of the user's: one made without the
# 32-bit half is made anew. The tests run with VORNEL_WOW64=required, so a
# 32-bit part that is still missing fails them instead of being skipped.
vornel_wow64_test_prefixes() {
    local prefix
    for prefix in "$VORNEL_TEST_PREFIX" "$VORNEL_PREFIX_XP"; do
        if [ -f "$prefix/system.reg" ] && ! vornel_prefix_runs_32bit "$prefix"; then
            vornel_log "Wine prefix $prefix was made without 32-bit support: remaking it"
            WINEPREFIX="$prefix" wineserver -k 2>/dev/null
            rm -rf "$prefix"
        fi
    done
    export VORNEL_WOW64=required
}

# ./orsh --check-prefix: ./orsh's prefix holds what the user made there
# (services, files), so it is never remade unasked; this says whether it
# runs 32-bit programs and, when not, how to remake it.
vornel_check_prefix() {
    local prefix="$VORNEL_PREFIX"
    if [ ! -f "$prefix/system.reg" ]; then
        vornel_log "Wine prefix $prefix is not made yet: the next ./orsh makes it, with 32-bit support"
    elif vornel_prefix_runs_32bit "$prefix"; then
        vornel_log "Wine prefix $prefix runs 64-bit and 32-bit programs"
    else
        vornel_log "Wine prefix $prefix was made without Wine's 32-bit half: 32-bit programs fail there" \
            "(\"could not load kernel32.dll\"). Remaking it loses what was made in it (services, files):"
        vornel_log "    WINEPREFIX='$prefix' wineserver -k; rm -rf '$prefix'; ./orsh echo remade"
        return 1
    fi
}
