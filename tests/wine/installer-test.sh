#!/usr/bin/env bash
# Silent install into a fresh prefix with no agent settings at all (but for a
# 64-bit decoy), the agent started from where the installer put it, then silent
# uninstalls (settings kept, then removed on request). The settings live in the
# 32-bit view; the Run and uninstall entries in the 64-bit one.
set -euo pipefail
build=${KARDELLO_BUILD:?}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tools=$build/tools
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/kardello-install.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
"$root/tools/wine/make-prefix.sh" --no-caption --no-driver --no-fotimo "$WINEPREFIX" "$build" >/dev/null

fail() { echo "installer-test: $*" >&2; exit 1; }
# query VIEW KEY VALUE
query() { wine reg query "$2" /v "$3" /reg:"$1" 2>/dev/null | tr -d '\r' | grep -F "$3" || true; }
agent_key='HKLM\Software\VARNO\VARNO Kardello'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VARNO Kardello'
dir="$WINEPREFIX/drive_c/Program Files/VARNO/VARNO Kardello"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VARNO/VARNO Kardello.lnk"

[ -z "$(query 32 "$agent_key" CAPTION)" ] || fail "the fresh prefix already has a CAPTION"
# A 64-bit program's PATH1 must neither stop the first-run defaults nor be touched.
wine reg add "$agent_key" /v PATH1 /d 'C:\Decoy.exe' /f /reg:64 >/dev/null
wine "$build/kardello-setup.exe" /S
[ -f "$dir/kardello.exe" ] || fail "kardello.exe not installed"
[ -f "$menu" ] || fail "no Start-menu entry"
query 32 "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "no CAPTION"
query 32 "$agent_key" APPNAME5 | grep -q "No registrada" || fail "no first-run defaults"
query 32 "$agent_key" PATH1 | grep -q "No registrada" || fail "PATH1 not defaulted"
query 32 "$agent_key" DirectExec | grep -q "0x0" || fail "no DirectExec"
[ -z "$(query 64 "$agent_key" CAPTION)" ] || fail "CAPTION written in the 64-bit view"
query 64 "$agent_key" PATH1 | grep -q 'Decoy' || fail "the 64-bit view was changed"
query 64 "$run_key" "VARNO Kardello" | grep -q 'kardello.exe' || fail "no Run value"
query 64 "$uninstall_key" UninstallString | grep -q 'uninstall.exe' || fail "no uninstaller entry"
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
[ -z "$(query 64 "$run_key" "VARNO Kardello")" ] || fail "Run value still there"
[ -z "$(query 64 "$uninstall_key" UninstallString)" ] || fail "uninstaller entry still there"
query 32 "$agent_key" CAPTION | grep -q "VARNO Kardello Agente" || fail "the settings were not kept"
echo "uninstalled, settings kept"

wine "$build/kardello-setup.exe" /S
wine "C:\\Program Files\\VARNO\\VARNO Kardello\\uninstall.exe" /S /REMOVESETTINGS
for _ in $(seq 100); do [ -n "$(query 32 "$agent_key" CAPTION)" ] || break; sleep 0.3; done
[ -z "$(query 32 "$agent_key" CAPTION)" ] || fail "settings not removed on request"
query 64 "$agent_key" PATH1 | grep -q 'Decoy' || fail "the uninstaller removed the 64-bit view's key"
echo "uninstalled with /REMOVESETTINGS, settings removed"
