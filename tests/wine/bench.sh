#!/usr/bin/env bash
# The Wine test bench: one fresh prefix, one Xvfb and one persistent wineserver per run.
# Benches with other names run beside it, each with its own of all three.
#   bench.sh up                          make the prefix, start the display and wineserver
#   bench.sh down                        end them and remove the prefix
#   bench.sh gtest EXE NT|WIN98 ARGS...  run a cross-built GoogleTest program in the prefix
#   bench.sh script FILE ARGS...         run a scenario script with the bench's environment
#   bench.sh with NAME=VALUE... gtest|script ARGS...
#                                        the same runs with these variables set for every
#                                        program they start (LC_ALL picks Wine's code page)
#   bench.sh display DPI SCHEME gtest ARGS...
#                                        the same gtest run with the system DPI (LogPixels)
#                                        and colour scheme (standard, dark) set before it
#                                        starts, the desktop grown with the DPI; the next
#                                        gtest or script run puts 96 DPI and the standard
#                                        scheme back first
# KARDELLO_BUILD names the win64 build folder. KARDELLO_BENCH_NAME names the bench: the
# one without a name keeps its state, results and failures in KARDELLO_BUILD/wine-bench,
# bench NAME in KARDELLO_BUILD/wine-bench-NAME.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib/wait.sh
source "$here/lib/wait.sh"
root=$(cd "$here/../.." && pwd)
build=${KARDELLO_BUILD:?KARDELLO_BUILD must name the win64 build folder}
name=${KARDELLO_BENCH_NAME:-}
[[ $name =~ ^[A-Za-z0-9_]*$ ]] || { echo "bench: a bench name is letters, digits and _" >&2; exit 2; }
bench=$build/wine-bench${name:+-$name}
state=$bench/state
# The VARNO keys as the prefix was made, put back before each run.
settings=$bench/settings.reg
# Without the menu builder: Wine would write the installer's Start-menu entries into
# the host's menus, which every bench and every other prefix share.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine would add every font of the host: the bench has the prefix's fonts only, and
# no East Asian one unless a test installs it.
export FONTCONFIG_FILE=$here/lib/no-system-fonts.conf

load_state() {
    [ -f "$state" ] || { echo "bench: not up (no $state)" >&2; exit 1; }
    # shellcheck disable=SC1090
    source "$state"
    export WINEPREFIX DISPLAY
}

# Screenshot and logs where a person finds them.
save_failure() {
    local name=$1 dir
    dir=$bench/failures/$name
    mkdir -p "$dir"
    import -display "$DISPLAY" -window root "$dir/screen.png" 2>/dev/null || true
    cp "$bench"/*.log "$dir/" 2>/dev/null || true
    echo "bench: screenshot and logs of '$name' in $dir" >&2
}

cmd_up() {
    [ -f "$state" ] && cmd_down || true
    mkdir -p "$bench"
    rm -rf "$bench/failures" "$bench/display"
    local prefix number=$bench/xvfb.display
    prefix=$(mktemp -d /tmp/kardello-prefix.XXXXXX)
    rm -f "$number"
    # Xvfb takes the first free display itself and names it once it listens, so that
    # benches started side by side never pick the same one. Room for the desktop
    # grown to 200%.
    setsid Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$number" \
        >"$bench/xvfb.log" 2>&1 </dev/null &
    printf 'WINEPREFIX=%q\nXVFB_PID=%q\n' "$prefix" "$!" >"$state"
    wait_for 30 test -s "$number" || { echo "bench: no display" >&2; cat "$bench/xvfb.log" >&2; cmd_down; exit 1; }
    printf 'DISPLAY=:%q\n' "$(tr -dc 0-9 <"$number")" >>"$state"
    load_state
    "$root/tools/wine/make-prefix.sh" "$WINEPREFIX" "$build" >"$bench/prefix.log" 2>&1 \
        || { cat "$bench/prefix.log" >&2; save_failure setup; exit 1; }
    # The booted prefix's menu colours are not the standard scheme's: every run, whether
    # or not one with another display came before it, draws in the same.
    display_settings 96 standard
    # One persistent server for the whole run; the driver comes back with it.
    wineserver -k || true
    wineserver -p </dev/null >>"$bench/prefix.log" 2>&1
    wine "$build/tools/vrsim.exe" wait 30 >>"$bench/prefix.log" 2>&1 \
        || { cat "$bench/prefix.log" >&2; save_failure setup; exit 1; }
    echo "96 standard" >"$bench/display"
    # A program that faults ends at once, so its test fails at once: winedbg would
    # first read the whole program's debug information, which takes minutes.
    # 64-bit and 32-bit programs each read the debugger from their own view.
    local view
    for view in 64 32; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
            /v Debugger /d 'cmd /c rem %ld %ld' /f /reg:$view >>"$bench/prefix.log" 2>&1
    done
    wine reg export 'HKLM\Software\VARNO' "$(winepath -w "$settings")" /y /reg:32 >>"$bench/prefix.log"
    echo "bench: prefix $WINEPREFIX on display $DISPLAY"
}

cmd_down() {
    [ -f "$state" ] || return 0
    load_state
    wineserver -k 2>/dev/null || true
    kill "$XVFB_PID" 2>/dev/null || true
    case "$WINEPREFIX" in /tmp/kardello-prefix.*) rm -rf "$WINEPREFIX" ;; esac
    rm -f "$state" "$bench/display"
}

# A run finds the settings the prefix was made with, as it would on a bench of its own,
# whichever run came before it on this one.
fresh_settings() {
    wine reg delete 'HKLM\Software\VARNO' /f /reg:32 >/dev/null 2>&1 || true
    wine reg import "$(winepath -w "$settings")" /reg:32 >/dev/null
}

# run_logged LOG COMMAND...: runs COMMAND with its output in LOG, shown as it comes.
# A program the run leaves behind (a photo application started as the agent ended)
# keeps that output as its own: on a pipe it would hold the run until it ended, and the
# next run would meet it. It is ended instead, but for the bench's own server and
# desktop, which a run may have started.
run_logged() {
    local log=$1 program rc=0 fd pid left=()
    shift
    : >"$log"
    log=$(realpath "$log")
    "$@" >"$log" 2>&1 &
    program=$!
    tail -s 0.2 -n +1 -f --pid="$program" "$log"
    wait "$program" || rc=$?
    for fd in $(find /proc/[0-9]*/fd -maxdepth 1 \( -name 1 -o -name 2 \) -lname "$log" 2>/dev/null); do
        pid=${fd#/proc/}
        pid=${pid%%/*}
        [[ $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) =~ wineserver|explorer.exe ]] || left+=("$pid")
    done
    if [ ${#left[@]} -gt 0 ]; then
        echo "bench: ended what the run left running: $(ps -o args= -p "${left[*]}" | paste -sd ';')" >&2
        kill -KILL "${left[@]}" 2>/dev/null || true
    fi
    return "$rc"
}

# Runs a GoogleTest program; it must have run tests, and all must pass.
cmd_gtest() {
    local exe=$1 family=$2 name
    shift 2
    load_state
    # shellcheck disable=SC2086 # two words: DPI SCHEME
    set_display ${display_wanted:-96 standard}
    fresh_settings
    name=$(basename "$exe" .exe)${run_suffix:-}
    if [ "$family" = WIN98 ]; then
        # Wine reports the Windows 95 family to a program by its file name.
        cp "$exe" "$bench/${name}_w98.exe"
        exe=$bench/${name}_w98.exe
        name=${name}_w98
        wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$name.exe" /v Version /d win98 /f >/dev/null
    fi
    if [ -n "${KARDELLO_AGENT:-}" ]; then
        # The same program against another build's agent: its own results.
        [ -f "$KARDELLO_AGENT" ] || { echo "bench: no agent $KARDELLO_AGENT (build it first)" >&2; exit 1; }
        name=${name}_$(basename "$(dirname "$KARDELLO_AGENT")")
    fi
    local xml=$bench/$name.xml log=$bench/$name.log rc=0
    rm -f "$xml"
    run_logged "$log" wine "$exe" --gtest_output="xml:$(winepath -w "$xml")" "$@" || rc=$?
    if [ "$rc" -ne 0 ] || [ ! -s "$xml" ] || ! grep -q '<testsuites tests="[1-9]' "$xml" \
        || grep -q '<testsuites[^>]* failures="[1-9]' "$xml"; then
        echo "bench: $name failed or ran no test (exit $rc)" >&2
        save_failure "$name"
        exit 1
    fi
}

# Wine reads the DPI, the colours and the desktop's size when its server starts the
# desktop; the driver comes back with the server.
restart_server() {
    wineserver -k || true
    wineserver -p </dev/null >>"$bench/prefix.log" 2>&1
    wine "$build/tools/vrsim.exe" wait 30 >>"$bench/prefix.log" 2>&1
}

# Wine's bitmap "MS Sans Serif" has a few fixed sizes: away from 96 DPI the dialogs
# would be laid out in a font that grows far less than the DPI (at 144 DPI the
# selection window grew by 1.1 across), while the labels drawn in a scalable face
# grow with it. Set aside, the scalable "MS Sans Serif" that Wine also ships takes
# its place, as in a prefix made without the bitmap fonts.
bitmap_dialog_font() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts aside=$bench/fonts-aside
    if [ "$1" = off ]; then
        mkdir -p "$aside"
        mv "$fonts"/sser*.fon "$fonts"/ssee*.fon "$fonts"/ssef*.fon "$aside"/ 2>/dev/null || true
    elif [ -d "$aside" ]; then
        mv "$aside"/*.fon "$fonts"/ 2>/dev/null || true
    fi
}

# DPI SCHEME: the desktop keeps its 800 by 600 at 96 DPI, in pixels grown by DPI/96.
# The standard scheme is Wine's own colours. Wine reads them when its server next starts.
display_settings() {
    local dpi=$1 scheme=$2 colors='HKCU\Control Panel\Colors'
    if [ "$dpi" -ne 96 ]; then bitmap_dialog_font off; else bitmap_dialog_font on; fi
    case "$scheme" in
        standard)
            wine reg delete "$colors" /v Menu /f >/dev/null 2>&1 || true
            wine reg delete "$colors" /v MenuText /f >/dev/null 2>&1 || true ;;
        # A high-contrast scheme's menu colours: white on black.
        dark)
            wine reg add "$colors" /v Menu /d "0 0 0" /f >/dev/null
            wine reg add "$colors" /v MenuText /d "255 255 255" /f >/dev/null ;;
        *) echo "bench: unknown scheme $scheme" >&2; exit 2 ;;
    esac
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
        /d "$((800 * dpi / 96))x$((600 * dpi / 96))" /f >/dev/null
}

# Each change restarts the server, so the display is changed only when it is not
# already the one asked for: a run leaves its own, and the next run that wants another
# puts that one in place.
set_display() {
    local current=""
    [ -f "$bench/display" ] && current=$(cat "$bench/display")
    [ "$current" != "$1 $2" ] || return 0
    display_settings "$1" "$2"
    restart_server
    echo "$1 $2" >"$bench/display"
}

cmd_display() {
    local dpi=$1 scheme=$2 command=$3
    shift 3
    [ "$command" = gtest ] || { echo "bench: display runs gtest only" >&2; exit 2; }
    display_wanted="$dpi $scheme"
    cmd_gtest "$@"
}

cmd_script() {
    local file=$1
    shift
    load_state
    set_display 96 standard
    fresh_settings
    export KARDELLO_BENCH=$bench KARDELLO_ROOT=$root
    if ! run_logged "$bench/$(basename "$file" .sh).log" bash "$file" "$@"; then
        save_failure "$(basename "$file" .sh)"
        exit 1
    fi
}

# Wine takes the code page, and fontconfig the host's fonts, from the variables of the
# program that Wine starts; the programs it starts in turn keep them.
cmd_with() {
    local value
    while [ $# -gt 0 ] && [[ $1 == *=* ]]; do
        export "${1?}"
        # Each run keeps its own results and logs.
        value=$(basename "${1#*=}")
        run_suffix+=_${value//[^A-Za-z0-9]/_}
        shift
    done
    local command=${1:-}
    shift || true
    case "$command" in
        gtest) cmd_gtest "$@" ;;
        script) cmd_script "$@" ;;
        *) echo "bench: with runs gtest or script" >&2; exit 2 ;;
    esac
}

command=${1:-}
shift || true
case "$command" in
    up) cmd_up ;;
    down) cmd_down ;;
    gtest) cmd_gtest "$@" ;;
    script) cmd_script "$@" ;;
    display) cmd_display "$@" ;;
    with) cmd_with "$@" ;;
    *) echo "usage: bench.sh up|down|gtest EXE NT|WIN98 ARGS...|script FILE ARGS...|with NAME=VALUE... gtest ...|display DPI SCHEME gtest ..." >&2; exit 2 ;;
esac
