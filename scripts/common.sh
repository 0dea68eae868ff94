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

# Debian packages the build and the tests need, by a file each one provides.
vornel_packages=(
    "g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix"
    "mingw-w64-tools:/usr/bin/x86_64-w64-mingw32-widl"
    "wine64:/usr/lib/wine/wine64"
    "wine:/usr/bin/wineserver"
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

vornel_apt() {
    vornel_as_root apt-get update -qq &&
        vornel_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
}

vornel_install() {
    local missing=() entry
    for entry in "${vornel_packages[@]}"; do
        [ -e "${entry#*:}" ] || missing+=("${entry%%:*}")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    vornel_step "$VORNEL_BUILD/install.log" "installing ${missing[*]} with apt-get" "installed" \
        vornel_apt "${missing[@]}"
}

# True when a file the build reads changed since the stamp was written, or
# the build was configured again since.
vornel_sources_changed() {
    local stamp="$1" root="$VORNEL_ROOT"
    [ -f "$stamp" ] || return 0
    [ "$VORNEL_BUILD/CMakeCache.txt" -nt "$stamp" ] && return 0
    [ -n "$(find "$root" \( -path "$root/build*" -o -path "$root/.git" -o -path "$VORNEL_BUILD" \
        -o -path "$root/scripts" -o -path "$root/.ci" -o -path "$root/orsh" -o -path "$root/run-tests" \
        -o -name '*.md' \) -prune -o -newer "$stamp" -print -quit)" ]
}

# vornel_build [TARGET...]: configures once, then builds the targets named
# (all of them when none is) as far as they changed. The build step
# announces itself when a source changed since the last build of the same
# targets. With VORNEL_TRUST_STAMP=1 (./orsh) it is skipped then: make's own
# check of every file costs seconds on a busy machine, a find over the
# sources a few milliseconds. ./run-tests always lets make decide.
vornel_build() {
    local targets=("$@") log="$VORNEL_BUILD/build.log"
    [ -d "$VORNEL_BUILD" ] || mkdir -p "$VORNEL_BUILD"
    if [ ! -f "$VORNEL_BUILD/CMakeCache.txt" ] || [ ! -f "$VORNEL_BUILD/Makefile" ]; then
        vornel_step "$VORNEL_BUILD/configure.log" "configuring $VORNEL_BUILD" "configured" \
            cmake -S "$VORNEL_ROOT" -B "$VORNEL_BUILD" \
            -DCMAKE_TOOLCHAIN_FILE="$VORNEL_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release || return 1
    fi
    local what="everything" stamp="$VORNEL_BUILD/built-all.stamp"
    if [ ${#targets[@]} -gt 0 ]; then
        what="${targets[*]}"
        stamp="$VORNEL_BUILD/built-${what// /-}.stamp"
    fi
    local changed=1
    vornel_sources_changed "$stamp" || changed=0
    [ "$changed" = 0 ] && [ "${VORNEL_TRUST_STAMP:-0}" = 1 ] && return 0
    # The stamp's time is the build's start: a file saved during the build
    # is newer than the stamp, so the next run sees it.
    local started="$stamp.$$"
    touch "$started"
    local build=(cmake --build "$VORNEL_BUILD" -j"$(nproc)")
    [ ${#targets[@]} -gt 0 ] && build+=(--target "${targets[@]}")
    if [ "$changed" = 1 ]; then
        vornel_step "$log" "building $what" "built" "${build[@]}" || { rm -f "$started"; return 1; }
    else
        "${build[@]}" >"$log" 2>&1 || {
            rm -f "$started"
            vornel_log "building $what failed; the last lines of $log:"
            vornel_log_end "$log"
            return 1
        }
    fi
    mv "$started" "$stamp"
    # Everything built: whatever fewer targets a later run names is built too.
    [ ${#targets[@]} -eq 0 ] && touch -r "$stamp" "$VORNEL_BUILD"/built-*.stamp
    return 0
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

vornel_prefix() {
    local prefix="$1" version="$2"
    [ -f "$prefix/system.reg" ] && return 0
    vornel_step "$prefix.log" "creating Wine prefix $prefix" "created" \
        vornel_new_prefix "$prefix" "$version" </dev/null
}

# vornel_prepare [TARGET...]: what ./orsh and ./run-tests need before they
# start Wine; the targets are the ones to build (all when none is named).
# Each then makes the Wine prefixes it uses with vornel_prefix.
vornel_prepare() {
    vornel_install || { vornel_log "could not install the packages"; return 1; }
    vornel_build "$@" || { vornel_log "build failed"; return 1; }
}
