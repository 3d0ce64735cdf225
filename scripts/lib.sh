# Shared by the run and test commands: what this project needs from Debian.
KARDELLO_PACKAGES=(cmake make g++ libgtest-dev libgmock-dev
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 fonts-wine xvfb xauth
    imagemagick nsis fonts-ipafont-gothic locales ccache python3-fusepy fuse3)
# The code pages the Wine tests run the agent under: Wine takes Cyrillic (1251) and
# UTF-8 (65001) from these, and names files right only when the system has them.
KARDELLO_LOCALES=(ru_RU.UTF-8 hi_IN.UTF-8)

# Installs only what is missing, in one apt-get call, then makes the locales that
# are missing.
ensure_packages() {
    local missing=() p name
    for p in "${KARDELLO_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        # wine32 runs the 32-bit build, as on the 64-bit Windows it is for.
        dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
        apt-get update -qq
        apt-get install -y --no-install-recommends "${missing[@]}"
    fi
    for name in "${KARDELLO_LOCALES[@]}"; do
        locale -a 2>/dev/null | grep -qix "${name/UTF-8/utf8}" || localedef -i "${name%%.*}" -f UTF-8 "$name"
    done
}

# The Wine bench of the tests (tests/wine/bench.sh) for a command that is no test: its
# prefix, display and server, with this shell set to use them; brought down again when
# the shell exits.
wine_bench_up() {
    export KARDELLO_BUILD=$PWD/build/win64
    trap 'tests/wine/bench.sh down >/dev/null 2>&1 || true' EXIT
    tests/wine/bench.sh up >/dev/null
    # shellcheck disable=SC1091
    source "$KARDELLO_BUILD/wine-bench/state"
    export WINEPREFIX DISPLAY WINEDEBUG=-all FONTCONFIG_FILE=$PWD/tests/wine/lib/no-system-fonts.conf
}

# In the order given: win32 comes before win64, whose installer carries the 32-bit
# kardello.exe.
build_presets() {
    local preset
    for preset in "$@"; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j"$(nproc)"
    done
}
