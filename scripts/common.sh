# Shared by ./orsh, ./run-tests and .ci/run: install what is missing,
# configure and build incrementally, and prepare the project's Wine prefixes.
# Sourced, not run.
#
# Every step that can take a while (installing, configuring, building,
# creating a prefix) says on standard error what it starts and, when it is
# done, how long it took; its own output goes to a log in the build
# directory, so that ./orsh passes the plug-in's output through untouched.
# A step that fails shows the end of its log and the log's path.

VORNEL_ROOT="$(cd "${BASH_SOURCE[0]%/*}/.." && pwd)"
VORNEL_BUILD="${VORNEL_BUILD_DIR:-$VORNEL_ROOT/build}"
case "$VORNEL_BUILD" in /*) ;; *) VORNEL_BUILD="$VORNEL_ROOT/$VORNEL_BUILD" ;; esac
# ./orsh's prefix, where the user's programs run (VORNEL_WINEPREFIX names
# another), and the tests' own two, so that a test run never ends them.
VORNEL_PREFIX="${VORNEL_WINEPREFIX:-$VORNEL_BUILD/wineprefix}"
case "$VORNEL_PREFIX" in /*) ;; *) VORNEL_PREFIX="$PWD/$VORNEL_PREFIX" ;; esac
VORNEL_TEST_PREFIX="$VORNEL_BUILD/wineprefix-tests"
VORNEL_PREFIX_XP="$VORNEL_BUILD/wineprefix-xp"
WINE=/usr/lib/wine/wine64
export WINEDEBUG=-all

# Debian packages the build and the tests need, by a file each one provides
# (a package name may hold a colon for its architecture, the path never
# does). Wine's 32-bit half comes before ./orsh first makes its prefix: a
# prefix made without it never runs a 32-bit program (scripts/wow64.sh).
vornel_packages=(
    "g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix"
    "mingw-w64-tools:/usr/bin/x86_64-w64-mingw32-widl"
    "wine64:/usr/lib/wine/wine64"
    "wine:/usr/bin/wineserver"
    "wine32:i386:/usr/lib/wine/wine"
    "xvfb:/usr/bin/Xvfb"
    "xauth:/usr/bin/xauth"
    "tmux:/usr/bin/tmux"
    "cmake:/usr/bin/cmake"
    "googletest:/usr/src/googletest/CMakeLists.txt"
    "fp-utils:/usr/bin/chmcmd"
    "python3:/usr/bin/python3"
    "make:/usr/bin/make"
    "unicode-data:/usr/share/unicode/auxiliary/GraphemeBreakTest.txt"
)

vornel_log() { echo "vornel: $*" >&2; }

# The last lines of a failed step's log, indented, on standard error.
vornel_log_end() {
    tail -n 20 "$1" | sed 's/^/    /' >&2
}

# Runs a command as root: directly when we are, else through sudo.
vornel_as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The time since $1 (a value of SECONDS) as "42 s" or "2 min 10 s".
vornel_took() {
    local s=$((SECONDS - $1))
    if [ "$s" -ge 60 ]; then echo "$((s / 60)) min $((s % 60)) s"; else echo "$s s"; fi
}

# vornel_step LOG "WHAT IT STARTS" "WHAT IT DID" COMMAND...
# Runs one long step with its output in LOG.
vornel_step() {
    local log="$1" starting="$2" done="$3" start=$SECONDS
    shift 3
    mkdir -p "$(dirname "$log")"
    vornel_log "$starting (log: $log)"
    if "$@" >"$log" 2>&1; then
        vornel_log "$done in $(vornel_took "$start")"
        return 0
    fi
    vornel_log "$starting failed after $(vornel_took "$start"); the last lines of $log:"
    vornel_log_end "$log"
    return 1
}

# Installs the packages named; a package of another architecture (wine32:i386)
# needs that architecture added first.
vornel_apt() {
    if [[ " $* " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        vornel_as_root dpkg --add-architecture i386 || return 1
    fi
    vornel_as_root apt-get update -qq &&
        vornel_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}

vornel_install() {
    local missing=() entry
    for entry in "${vornel_packages[@]}"; do
        [ -e "${entry##*:}" ] || missing+=("${entry%:*}")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    vornel_step "$VORNEL_BUILD/install.log" "installing ${missing[*]} with apt-get" "installed" \
        vornel_apt "${missing[@]}"
}

# What the build reads: the top CMake file and every file of the folders
# that hold the sources, help pages, CMake files and scripts. A folder the
# build comes to read goes into this list; nothing else in the root counts,
# so a file a user writes there (tasklist > out.txt) asks for no build.
vornel_inputs=(CMakeLists.txt bench cmake commands console frame help host package procinfo scripts tests)

# Those files with their times of change, one a line (a few milliseconds).
# A stamp holds this listing as it was when its build started: a file
# changed, added, renamed or deleted since, or saved during that build,
# makes the listing differ. Python's caches and hidden files (an editor's)
# are no input.
vornel_input_listing() {
    (cd "$VORNEL_ROOT" && find "${vornel_inputs[@]}" \( -name '.*' -o -name __pycache__ \) -prune \
        -o -type f ! -name '*.pyc' -printf '%p %T@\n' 2>/dev/null)
}

# vornel_sources_changed LISTING STAMP...: true unless one of the stamps
# holds LISTING and the build was not configured again after it.
vornel_sources_changed() {
    local listing="$1" stamp
    shift
    for stamp in "$@"; do
        [ -f "$stamp" ] && [ ! "$VORNEL_BUILD/CMakeCache.txt" -nt "$stamp" ] &&
            [ "$(<"$stamp")" = "$listing" ] && return 1
    done
    return 0
}

# One build in a build folder at a time: make run twice in one folder
# breaks both, and each would empty the other's log. A second ./orsh or
# ./run-tests waits here for the first's build step (or its making of a
# Wine prefix), and says so once.
vornel_build_lock() {
    mkdir -p "$VORNEL_BUILD"
    exec {vornel_build_fd}>>"$VORNEL_BUILD/build.lock"
    flock -n "$vornel_build_fd" && return 0
    [ -z "${vornel_build_waited:-}" ] &&
        vornel_log "waiting for another run to finish its build step in $VORNEL_BUILD"
    vornel_build_waited=1
    flock "$vornel_build_fd"
}
vornel_build_unlock() { exec {vornel_build_fd}>&-; }

# vornel_build [TARGET...]: configures once, then builds the targets named
# (all of them when none is) as far as they changed. The build step
# announces itself when an input changed since the last build of the same
# targets or of everything. With VORNEL_TRUST_STAMP=1 (./orsh) it is skipped
# then: make's own check of every file costs seconds on a busy machine, the
# listing a few milliseconds. ./run-tests always lets make decide.
vornel_build() {
    local what="everything" all="$VORNEL_BUILD/built-all.stamp" stamp status
    stamp="$all"
    if [ $# -gt 0 ]; then
        what="$*"
        stamp="$VORNEL_BUILD/built-${what// /-}.stamp"
    fi
    # With nothing to build, ./orsh neither takes the lock nor waits for it.
    if [ "${VORNEL_TRUST_STAMP:-0}" = 1 ] && [ -f "$VORNEL_BUILD/Makefile" ] &&
        ! vornel_sources_changed "$(vornel_input_listing)" "$stamp" "$all"; then
        return 0
    fi
    vornel_build_lock
    vornel_build_locked "$what" "$stamp" "$all" "$@" {vornel_build_fd}>&-
    status=$?
    vornel_build_unlock
    return $status
}

# vornel_build_locked WHAT STAMP ALL-STAMP [TARGET...]
vornel_build_locked() {
    local what="$1" stamp="$2" all="$3" log="$VORNEL_BUILD/build.log" cache="$VORNEL_BUILD/CMakeCache.txt"
    shift 3
    if [ ! -f "$cache" ] || [ ! -f "$VORNEL_BUILD/Makefile" ]; then
        vornel_step "$VORNEL_BUILD/configure.log" "configuring $VORNEL_BUILD" "configured" \
            cmake -S "$VORNEL_ROOT" -B "$VORNEL_BUILD" \
            -DCMAKE_TOOLCHAIN_FILE="$VORNEL_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release || return 1
    elif [ "${VORNEL_TRUST_STAMP:-0}" != 1 ] && grep -qs '^VORNEL_[A-Z0-9_]*:FILEPATH=.*-NOTFOUND$' "$cache"; then
        # A tool the tests use (the i686 compiler) that was installed after
        # the build was configured is looked for again.
        cmake "$VORNEL_BUILD" >"$VORNEL_BUILD/configure.log" 2>&1 || {
            vornel_log "configuring $VORNEL_BUILD again failed; the last lines of $VORNEL_BUILD/configure.log:"
            vornel_log_end "$VORNEL_BUILD/configure.log"
            return 1
        }
    fi
    # Again under the lock: a run this one waited for may have built it all.
    local listing changed=1
    listing="$(vornel_input_listing)"
    vornel_sources_changed "$listing" "$stamp" "$all" || changed=0
    [ "$changed" = 0 ] && [ "${VORNEL_TRUST_STAMP:-0}" = 1 ] && return 0
    local build=(cmake --build "$VORNEL_BUILD" -j"$(nproc)")
    [ $# -gt 0 ] && build+=(--target "$@")
    if [ "$changed" = 1 ]; then
        vornel_step "$log" "building $what" "built" "${build[@]}" || return 1
    elif ! "${build[@]}" >"$log" 2>&1; then
        vornel_log "building $what failed; the last lines of $log:"
        vornel_log_end "$log"
        return 1
    fi
    printf '%s\n' "$listing" >"$stamp.$$" && mv "$stamp.$$" "$stamp"
}

# Creates a prefix on first use. Wine would offer to install its .NET and
# HTML engines into a new prefix; neither is needed, so they are skipped.
vornel_new_prefix() {
    local prefix="$1" version="$2"
    mkdir -p "$prefix"
    WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot --init || return 1
    WINEPREFIX="$prefix" wineserver -w
    if [ -n "$version" ]; then
        WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f || return 1
        WINEPREFIX="$prefix" wineserver -w
    fi
}

# A second run that finds the prefix not made yet waits, like a build, for
# the first to make it.
vornel_prefix() {
    local prefix="$1" version="$2" status=0
    [ -f "$prefix/system.reg" ] && return 0
    vornel_build_lock
    [ -f "$prefix/system.reg" ] || vornel_step "$prefix.log" "creating Wine prefix $prefix" "created" \
        vornel_new_prefix "$prefix" "$version" </dev/null {vornel_build_fd}>&- || status=1
    vornel_build_unlock
    return $status
}

# vornel_prepare [TARGET...]: what ./orsh and ./run-tests need before they
# start Wine; the targets are the ones to build (all when none is named).
# Each then makes the Wine prefixes it uses with vornel_prefix.
vornel_prepare() {
    vornel_install || { vornel_log "could not install the packages"; return 1; }
    vornel_build "$@" || { vornel_log "build failed"; return 1; }
}
