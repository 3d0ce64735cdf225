#!/usr/bin/env bash
# Makes a fresh Wine prefix for running the agent against the simulated card reader.
#   make-prefix.sh [OPTIONS] PREFIX BUILD_DIR
# BUILD_DIR is the win64 build folder; the tools are taken from BUILD_DIR/tools.
# PREFIX is removed first when it is a Wine prefix or empty; anything else is refused.
# Options:
#   --no-driver          no VRUSBDSK service, no Instance values, no Sim state
#   --no-fotimo          no photo application key at all
#   --no-fotimo-caption  photo application key with PATH but without CAPTION
#   --no-caption         agent key without CAPTION
#   --win32              a 32-bit prefix, as on 32-bit Windows (with --no-driver:
#                        the driver and the tools are 64-bit programs)
set -euo pipefail

usage() {
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}

driver=1 fotimo=1 fotimo_caption=1 caption=1 arch=win64
positional=()
while [ $# -gt 0 ]; do
    case "$1" in
        --no-driver) driver=0 ;;
        --no-fotimo) fotimo=0 ;;
        --no-fotimo-caption) fotimo_caption=0 ;;
        --no-caption) caption=0 ;;
        --win32) arch=win32 ;;
        -h | --help) usage ;;
        -*) echo "make-prefix: unknown option $1" >&2; usage ;;
        *) positional+=("$1") ;;
    esac
    shift
done
[ ${#positional[@]} -eq 2 ] || usage
if [ "$arch" = win32 ] && [ "$driver" = 1 ]; then
    echo "make-prefix: --win32 needs --no-driver" >&2
    exit 2
fi
prefix=${positional[0]}
build=$(cd "${positional[1]}" && pwd) || { echo "make-prefix: no build folder ${positional[1]}" >&2; exit 2; }
tools=$build/tools

need() {
    [ -f "$1" ] || { echo "make-prefix: missing $1 (build the win64 preset first)" >&2; exit 1; }
}
if [ "$driver" = 1 ]; then need "$tools/vrsim.exe"; need "$tools/vrusbdsk.sys"; fi
if [ "$fotimo" = 1 ]; then need "$tools/fotimo.exe"; fi

# Z: maps the Unix root in every prefix.
winpath() { printf 'Z:%s' "$(realpath "$1" | sed 's|/|\\|g')"; }
# Escapes a Windows path for a .reg string.
regstr() { printf '%s' "$1" | sed 's|\\|\\\\|g'; }

export WINEPREFIX WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
started=$EPOCHREALTIME
step() { awk -v a="$started" -v b="$EPOCHREALTIME" -v s="$1" 'BEGIN { printf "make-prefix: %-20s %5.1f s\n", s, b - a }'; }

# Only a prefix or an empty folder is ever removed.
if [ -e "$prefix" ]; then
    if [ -f "$prefix/system.reg" ]; then
        WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        rm -rf "$prefix"
    elif [ -d "$prefix" ] && [ -z "$(ls -A "$prefix")" ]; then
        rmdir "$prefix"
    else
        echo "make-prefix: $prefix exists and is not a Wine prefix; not touching it" >&2
        exit 1
    fi
fi
mkdir -p "$(dirname "$prefix")"
WINEPREFIX=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")

# A new prefix takes Wine half a minute to boot, and what it holds then depends on Wine
# and the architecture only: the first one booted is kept beside the build and copied.
wine_id="$(wine --version 2>/dev/null) $(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)"
booted=$build/wine-boot/$arch-${wine_id//[^A-Za-z0-9.]/_}
mkdir -p "$build/wine-boot"
# Prefixes made side by side boot it once: the others wait for the first and copy it.
exec {boot_lock}>"$build/wine-boot/lock"
flock "$boot_lock"
if [ ! -f "$booted/system.reg" ]; then
    fresh=$(mktemp -d "$build/wine-boot/new.XXXXXX")
    WINEPREFIX=$fresh wineboot -i >/dev/null 2>&1
    # Its registry is written when its server ends.
    WINEPREFIX=$fresh wineserver -w
    mv -T "$fresh" "$booted"
    step "wineboot -i"
fi
exec {boot_lock}>&-
# The system folders' libraries, nearly all of its 1.3 GB, are only ever read: they are
# linked, everything else is copied.
mkdir -p "$WINEPREFIX"
system_folders=(./drive_c/windows/system32 ./drive_c/windows/syswow64)
tar -C "$booted" "${system_folders[@]/#/--exclude=}" -cf - . | tar -C "$WINEPREFIX" -xf -
for folder in "${system_folders[@]}"; do
    if [ -d "$booted/$folder" ]; then cp -al "$booted/$folder" "$WINEPREFIX/$folder"; fi
done
step "booted prefix copied"

# Wine's own bitmap fonts, so that "MS Sans Serif" is there and the dialogs keep
# their classic metrics (Debian's fonts-wine; Wine does not look there by itself).
if [ -d /usr/share/wine/fonts ]; then
    cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi

reg=$(mktemp /tmp/make-prefix.XXXXXX.reg)
trap 'rm -f "$reg"' EXIT
{
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer]'
    echo '"Desktop"="Default"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]'
    echo '"Default"="800x600"'
    echo
    echo '[HKEY_CURRENT_USER\Control Panel\Colors]'
    echo '"ButtonFace"="212 208 200"'
    echo
    echo '[HKEY_LOCAL_MACHINE\Software\VARNO\VARNO Kardello]'
    if [ "$caption" = 1 ]; then echo '"CAPTION"="VARNO Kardello Agent"'; fi
    echo
    if [ "$fotimo" = 1 ]; then
        echo '[HKEY_LOCAL_MACHINE\Software\VARNO\VARNO Fotimo]'
        echo "\"PATH\"=\"$(regstr "$(winpath "$tools/fotimo.exe")")\""
        if [ "$fotimo_caption" = 1 ]; then echo '"CAPTION"="VARNO Fotimo Running"'; fi
        echo
    fi
} >"$reg"
# The VARNO keys live in the 32-bit view, where the 32-bit photo application and
# installers keep them; which reg.exe runs depends on whether wine32 is installed,
# so the view is named. The other keys are not redirected.
wine reg import "$(winpath "$reg")" /reg:32 >/dev/null 2>&1
step "registry keys"

if [ "$driver" = 1 ]; then
    wine "$tools/vrsim.exe" install "$(winpath "$tools/vrusbdsk.sys")" >/dev/null
    wine "$tools/vrsim.exe" reset >/dev/null
    # services.exe reads the service list only when the wineserver starts.
    wineserver -k || true
    step "driver registered"
    wine "$tools/vrsim.exe" wait 30 >/dev/null
    listing=$(wine "$tools/vrsim.exe" list) || { echo "$listing" >&2; exit 1; }
    if ! grep -q 'record 2: status 0 extend 0x0000 letter .F. serial "VR0000000002"' <<<"$listing"; then
        echo "make-prefix: the driver does not answer as expected:" >&2
        echo "$listing" >&2
        exit 1
    fi
    step "driver answers"
fi
echo "make-prefix: ready: WINEPREFIX=$WINEPREFIX"
