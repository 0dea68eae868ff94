# Shared by ./orsh, ./run-tests and .ci/run: install what is missing,
# configure and build incrementally, and prepare the project's Wine prefixes.
# Sourced, not run.

VORNEL_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VORNEL_BUILD="${VORNEL_BUILD_DIR:-$VORNEL_ROOT/build}"
case "$VORNEL_BUILD" in /*) ;; *) VORNEL_BUILD="$VORNEL_ROOT/$VORNEL_BUILD" ;; esac
VORNEL_PREFIX="$VORNEL_BUILD/wineprefix"
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
)

vornel_log() { echo "vornel: $*" >&2; }

vornel_install() {
    local missing=() entry
    for entry in "${vornel_packages[@]}"; do
        [ -e "${entry#*:}" ] || missing+=("${entry%%:*}")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    vornel_log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq >&2 || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2 || return 1
}

# Configures once, then builds what changed. Build output goes to a log so
# that ./orsh passes the plug-in's own output through untouched.
vornel_build() {
    local log="$VORNEL_BUILD/build.log"
    mkdir -p "$VORNEL_BUILD"
    if [ ! -f "$VORNEL_BUILD/CMakeCache.txt" ]; then
        cmake -S "$VORNEL_ROOT" -B "$VORNEL_BUILD" \
            -DCMAKE_TOOLCHAIN_FILE="$VORNEL_ROOT/cmake/mingw-w64-x86_64.cmake" \
            -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1 || { cat "$log" >&2; return 1; }
    fi
    cmake --build "$VORNEL_BUILD" -j"$(nproc)" "$@" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

# Creates a prefix on first use. Wine would offer to install its .NET and
# HTML engines into a new prefix; neither is needed, so they are skipped.
vornel_prefix() {
    local prefix="$1" version="$2"
    if [ ! -f "$prefix/system.reg" ]; then
        vornel_log "creating Wine prefix $prefix"
        mkdir -p "$prefix"
        WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot --init >/dev/null 2>&1
        WINEPREFIX="$prefix" wineserver -w
        if [ -n "$version" ]; then
            WINEPREFIX="$prefix" "$WINE" reg add 'HKCU\Software\Wine' /v Version /d "$version" /f >/dev/null 2>&1
            WINEPREFIX="$prefix" wineserver -w
        fi
    fi
}

vornel_prepare() {
    vornel_install || { vornel_log "could not install the packages"; return 1; }
    vornel_build "$@" || { vornel_log "build failed"; return 1; }
    vornel_prefix "$VORNEL_PREFIX" ""
}
