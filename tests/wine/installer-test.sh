#!/usr/bin/env bash
# Silent install into a fresh prefix with no agent settings at all, the agent
# started from where the installer put it, then silent uninstalls (settings kept,
# then removed on request).
set -euo pipefail
build=${KARDELLO_BUILD:?}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tools=$build/tools
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/kardello-install.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$root/tools/wine/make-prefix.sh" --no-caption --no-driver --no-fotimo "$WINEPREFIX" "$build" >/dev/null

fail() { echo "installer-test: $*" >&2; exit 1; }
query() { wine reg query "$1" /v "$2" /reg:64 2>/dev/null | tr -d '\r' | grep -F "$2" || true; }
agent_key='HKLM\Software\VARNO\VARNO Kardello'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VARNO Kardello'
dir="$WINEPREFIX/drive_c/Program Files/VARNO/VARNO Kardello"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VARNO/VARNO Kardello.lnk"

[ -z "$(query "$agent_key" CAPTION)" ] || fail "the fresh prefix already has a CAPTION"
wine "$build/kardello-setup.exe" /S
[ -f "$dir/kardello.exe" ] || fail "kardello.exe not installed"
[ -f "$menu" ] || fail "no Start-menu entry"
query "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "no CAPTION"
query "$agent_key" APPNAME5 | grep -q "No registrada" || fail "no first-run defaults"
query "$agent_key" DirectExec | grep -q "0x0" || fail "no DirectExec"
query "$run_key" "VARNO Kardello" | grep -q 'kardello.exe' || fail "no Run value"
query "$uninstall_key" UninstallString | grep -q 'uninstall.exe' || fail "no uninstaller entry"
echo "installed"

wine "C:\\Program Files\\VARNO\\VARNO Kardello\\kardello.exe" >/dev/null 2>&1 &
agent=$!
wine "$tools/agentctl.exe" wait 20 || fail "the installed agent did not start"
sleep 1
if wine "$tools/agentctl.exe" windows | grep -q $'^#32770\tVARNO Kardello'; then
    fail "the agent showed a box"
fi
echo "the installed agent runs"

# The uninstaller runs a copy of itself: wait for its work to show.
wine "C:\\Program Files\\VARNO\\VARNO Kardello\\uninstall.exe" /S
for _ in $(seq 100); do [ -f "$dir/kardello.exe" ] || break; sleep 0.3; done
code=0
timeout 20 tail --pid="$agent" -f /dev/null || fail "the uninstaller did not end the agent"
wait "$agent" || code=$?
[ "$code" = 0 ] || fail "the agent ended with $code"
[ ! -f "$dir/kardello.exe" ] || fail "kardello.exe still there"
[ ! -f "$menu" ] || fail "Start-menu entry still there"
[ -z "$(query "$run_key" "VARNO Kardello")" ] || fail "Run value still there"
[ -z "$(query "$uninstall_key" UninstallString)" ] || fail "uninstaller entry still there"
query "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "the settings were not kept"
echo "uninstalled, settings kept"

wine "$build/kardello-setup.exe" /S
wine "C:\\Program Files\\VARNO\\VARNO Kardello\\uninstall.exe" /S /REMOVESETTINGS
for _ in $(seq 100); do [ -n "$(query "$agent_key" CAPTION)" ] || break; sleep 0.3; done
[ -z "$(query "$agent_key" CAPTION)" ] || fail "settings not removed on request"
echo "uninstalled with /REMOVESETTINGS, settings removed"
