#!/usr/bin/env bash
# installer-test.sh [--win32]: silent installs into a fresh prefix with no agent settings
# at all (but for a 64-bit decoy), the agent started from where the installer put it,
# then silent uninstalls. In the 64-bit prefix, upgrades and an uninstall also meet a
# kardello.exe held open with no sharing, as another user's agent holds it. The settings
# live in the 32-bit view; the Run and uninstall entries in the native one.
set -euo pipefail
build=${KARDELLO_BUILD:?}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=lib/wait.sh
source "$root/tests/wine/lib/wait.sh"
tools=$build/tools
view=64 exe=$build/kardello.exe
if [ "${1:-}" = --win32 ]; then view=32 exe=${KARDELLO_WIN32_AGENT:?}; fi
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/kardello-install.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$root/tools/wine/make-prefix.sh" --no-caption --no-driver --no-fotimo "$@" "$WINEPREFIX" "$build" >/dev/null
# One server throughout: a new one carries out what is pending, as a restart does.
wineserver -k 2>/dev/null || true
wineserver -p </dev/null
cp "$build/kardello-setup.exe" "$WINEPREFIX/drive_c/windows/temp/"

fail() { echo "installer-test: $*" >&2; exit 1; }
# query VIEW KEY VALUE
query() { wine reg query "$2" /v "$3" /reg:"$1" 2>/dev/null | tr -d '\r' | grep -F "$3" || true; }
# The whole exit code of a Windows command line: wine's own keeps its low byte only.
run() { { wine cmd /v:on /c "$1& echo exit !ERRORLEVEL!" || true; } | tr -d '\r' | sed -n 's/^exit //p'; }
pending() { query 64 'HKLM\System\CurrentControlSet\Control\Session Manager' PendingFileRenameOperations; }
# Another process holds the installed kardello.exe open with no sharing until release.
hold() {
    local line=""
    coproc HOLDER { wine "$tools/agentctl.exe" hold "$win_dir\\kardello.exe" 2>&1; }
    holder=$HOLDER_PID holder_in=${HOLDER[1]}
    read -r -t 30 line <&"${HOLDER[0]}" || true
    [[ $line == held* ]] || fail "kardello.exe could not be held: $line"
}
release() { exec {holder_in}>&-; wait "$holder" || fail "the holder failed"; }
# The installed program is the build given, at most 350 KB, with no debug section but
# a link to the file that has them.
shipped() {
    cmp -s "$dir/kardello.exe" "$1" || fail "the installed kardello.exe is not $1"
    [ "$(stat -c %s "$1")" -le $((350 * 1024)) ] || fail "$1 is over 350 KB"
    [ "$(x86_64-w64-mingw32-objdump -h "$1" | grep -c ' \.debug_')" = 0 ] || fail "$1 carries debug sections"
    [ "$(x86_64-w64-mingw32-objdump -h "$1" | grep -c ' \.gnu_debuglink ')" = 1 ] || fail "$1 has no debug link"
}
start_agent() {
    wine "$win_dir\\kardello.exe" >/dev/null 2>&1 &
    agent=$!
    if [ "$view" = 32 ]; then nothing_for 3 agent_gone || fail "the agent did not stay up"; return; fi
    wine "$tools/agentctl.exe" wait 20 || fail "the installed agent did not start"
}
agent_gone() { ! kill -0 "$agent" 2>/dev/null; }
agent_ended() {
    local code=0
    timeout 20 tail --pid="$agent" -f /dev/null || fail "$1 did not end the agent"
    wait "$agent" || code=$?
    [ "$code" = 0 ] || fail "the agent ended with $code"
}
entries_removed() {
    [ ! -e "$dir" ] || fail "the program's folder is still there"
    [ ! -f "$menu" ] || fail "Start-menu entry still there"
    [ -z "$(query $view "$run_key" "VARNO Kardello")" ] || fail "Run value still there"
    [ -z "$(query $view "$uninstall_key" UninstallString)" ] || fail "uninstaller entry still there"
}
agent_key='HKLM\Software\VARNO\VARNO Kardello'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VARNO Kardello'
win_dir='C:\Program Files\VARNO\VARNO Kardello'
setup='C:\windows\temp\kardello-setup.exe'
dir="$WINEPREFIX/drive_c/Program Files/VARNO/VARNO Kardello"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VARNO/VARNO Kardello.lnk"

[ -z "$(query 32 "$agent_key" CAPTION)" ] || fail "the fresh prefix already has a CAPTION"
# A 64-bit program's PATH1 must neither stop the first-run defaults nor be touched.
[ "$view" = 32 ] || wine reg add "$agent_key" /v PATH1 /d 'C:\Decoy.exe' /f /reg:64 >/dev/null
[ "$(run "$setup /S")" = 0 ] || fail "the install failed"
shipped "$exe"
[ -f "$menu" ] || fail "no Start-menu entry"
query 32 "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "no CAPTION"
query 32 "$agent_key" APPNAME5 | grep -q "No registrada" || fail "no first-run defaults"
query 32 "$agent_key" PATH1 | grep -q "No registrada" || fail "PATH1 not defaulted"
query 32 "$agent_key" DirectExec | grep -q "0x0" || fail "no DirectExec"
query $view "$run_key" "VARNO Kardello" | grep -q 'kardello.exe' || fail "no Run value"
query $view "$uninstall_key" UninstallString | grep -q 'uninstall.exe' || fail "no uninstaller entry"
# The space counted is that of the one build installed, not of both.
kb=$(( ($(stat -c %s "$exe") + 1023) / 1024 ))
[ "$(query $view "$uninstall_key" EstimatedSize | awk '{print $3}')" = "$(printf '0x%x' "$kb")" ] ||
    fail "EstimatedSize is not the installed build's $kb KB"
if [ "$view" = 64 ]; then
    [ -z "$(query 64 "$agent_key" CAPTION)" ] || fail "CAPTION written in the 64-bit view"
    query 64 "$agent_key" PATH1 | grep -q 'Decoy' || fail "the 64-bit view was changed"
    [ -z "$(query 32 "$run_key" "VARNO Kardello")" ] || fail "Run value in the 32-bit view"
fi
echo "installed"

start_agent
if [ "$view" = 64 ] && wine "$tools/agentctl.exe" windows | grep -q $'^#32770\tVARNO Kardello'; then
    fail "the agent showed a box"
fi
echo "the installed agent runs"

if [ "$view" = 64 ]; then
    [ "$(run "$setup /S")" = 0 ] || fail "the upgrade failed"
    agent_ended "the upgrade"
    # The 32-bit build stands for the older program that another user's agent holds.
    cp "${KARDELLO_WIN32_AGENT:?}" "$dir/kardello.exe"
    hold
    code=$(run "$setup /S")
    [ "$code" = 3010 ] || fail "the upgrade over a program in use ended with $code, not 3010"
    cmp -s "$dir/kardello.exe" "$KARDELLO_WIN32_AGENT" || fail "the program in use was changed"
    cmp -s "$dir/kardello.new" "$exe" || fail "the new program is not whole beside it"
    pending | grep -qF "kardello.new\\0!\\??\\$win_dir\\kardello.exe" || fail "no replacement scheduled"
    release
    wineboot -r
    shipped "$exe"
    echo "upgraded over the running agent, then over a program in use: 3010, replaced at the restart"

    # The uninstaller's copy, run as the uninstaller runs it, so that its exit code shows.
    cp "$dir/uninstall.exe" "$WINEPREFIX/drive_c/windows/temp/"
    hold
    code=$(run "C:\\windows\\temp\\uninstall.exe /S _?=$win_dir")
    [ "$code" = 3010 ] || fail "the uninstall of a program in use ended with $code, not 3010"
    pending | grep -qF "$win_dir\\kardello.exe\\0\\0" || fail "no removal scheduled"
    release
    wineboot -r
    entries_removed
    query 32 "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "the settings were not kept"
    echo "uninstalled a program in use: 3010, removed at the restart, settings kept"

    [ "$(run "$setup /S")" = 0 ] || fail "the second install failed"
    start_agent
fi

# The uninstaller hands its work to a copy of itself; removing the settings is the last.
wine "$win_dir\\uninstall.exe" /S /REMOVESETTINGS
settings_gone() { [ -z "$(query 32 "$agent_key" CAPTION)" ]; }
wait_for 30 settings_gone || true
agent_ended "the uninstaller"
entries_removed
[ -z "$(query 32 "$agent_key" CAPTION)" ] || fail "settings not removed on request"
[ "$view" = 32 ] || query 64 "$agent_key" PATH1 | grep -q 'Decoy' || fail "the uninstaller removed the 64-bit view's key"
echo "uninstalled with /REMOVESETTINGS, the agent ended, settings removed"
