# Shared by the run and test commands: what this project needs from Debian.
KARDELLO_PACKAGES=(cmake make g++ libgtest-dev libgmock-dev
    g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 fonts-wine xvfb xauth
    imagemagick nsis)

# Installs only what is missing, in one apt-get call.
ensure_packages() {
    local missing=() p
    for p in "${KARDELLO_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # wine32 runs the 32-bit build, as on the 64-bit Windows it is for.
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y --no-install-recommends "${missing[@]}"
}

build_presets() {
    local preset
    for preset in "$@"; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j"$(nproc)"
    done
}
