# The 32-bit parts of the tests: Wine's 32-bit half (so that 32-bit programs
# run under WoW64 in the test prefixes) and the i686 cross compiler for the
# 32-bit test helper. Only ./run-tests needs them; ./orsh does not wait for
# them. Sourced after common.sh, not run.

# Debian packages, by a file each one provides (the package name may hold a
# colon for its architecture, the path never does).
vornel_wow64_packages=(
    "wine32:i386:/usr/lib/wine/wine"
    "g++-mingw-w64-i686-posix:/usr/bin/i686-w64-mingw32-g++-posix"
)

# Installs what is missing, then remakes any test prefix that was made
# before Wine's 32-bit half was there: such a prefix has an empty syswow64,
# and every 32-bit program in it fails to load kernel32.dll. The tests run
# with VORNEL_WOW64=required, so a 32-bit part that is still missing fails
# them instead of being skipped.
vornel_wow64_apt() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        vornel_as_root dpkg --add-architecture i386 || return 1
    fi
    vornel_apt "$@"
}

vornel_wow64() {
    local missing=() entry
    for entry in "${vornel_wow64_packages[@]}"; do
        [ -e "${entry##*:}" ] || missing+=("${entry%:*}")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        vornel_step "$VORNEL_BUILD/install-32bit.log" "installing the 32-bit test parts ${missing[*]} with apt-get" \
            "installed" vornel_wow64_apt "${missing[@]}" || return 1
    fi
    # A build configured before the i686 compiler was there looks for it again.
    if grep -qs "^VORNEL_I686_CXX:FILEPATH=.*NOTFOUND" "$VORNEL_BUILD/CMakeCache.txt"; then
        cmake "$VORNEL_BUILD" >/dev/null || return 1
    fi
    local prefix
    for prefix in "$VORNEL_TEST_PREFIX" "$VORNEL_PREFIX_XP"; do
        if [ -f "$prefix/system.reg" ] && [ ! -e "$prefix/drive_c/windows/syswow64/kernel32.dll" ]; then
            vornel_log "Wine prefix $prefix was made without 32-bit support: remaking it"
            WINEPREFIX="$prefix" wineserver -k 2>/dev/null
            rm -rf "$prefix"
        fi
    done
    export VORNEL_WOW64=required
}
