#!/usr/bin/env bash
# Builds everything and runs the agent on its embedded default: a Wine prefix with
# the simulated card reader and the stand-in photo application.
# With a display, the agent stays until it is ended from its tray menu (or with
# `agentctl command 32772`). Without one, it runs under Xvfb, a card goes in and
# out, a second card brings up the selection window, what the agent did is
# printed, and screenshots are saved.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages
build_presets win32 win64

root=$PWD
build=$root/build/win64
run=$root/build/run
export WINEPREFIX=$run/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tools=$build/tools
mkdir -p "$run"

# The prefix is made once and kept, for as long as the same Wine runs it: a prefix
# made before wine32 was installed fails with "could not load kernel32.dll".
wine_install="$(wine --version 2>/dev/null) wine32 $(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)"
if [ ! -f "$run/prefix.ready" ] || [ "$(cat "$run/prefix.ready")" != "$wine_install" ]; then
    rm -rf "$WINEPREFIX"
    echo "Making the Wine prefix (once)..."
    "$root/tools/wine/make-prefix.sh" "$WINEPREFIX" "$build" >"$run/prefix.log" 2>&1 \
        || { cat "$run/prefix.log" >&2; exit 1; }
    echo "$wine_install" >"$run/prefix.ready"
fi

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    for n in $(seq 60 89); do [ -e "/tmp/.X$n-lock" ] || break; done
    export DISPLAY=:$n
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 &
    xvfb=$!
    sleep 1
fi
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

wine "$tools/vrsim.exe" wait 30 >/dev/null
wine "$tools/vrsim.exe" reset >/dev/null
# The demonstration's settings: a new card opens the photo application; one
# registered application and four free slots.
# The agent's key is in the 32-bit view, for both builds.
agent_key='HKLM\Software\VARNO\VARNO Kardello'
setting() { wine reg add "$agent_key" /v "$1" /t "$2" /d "$3" /f /reg:32 >/dev/null; }
setting DirectExec REG_DWORD 0
for n in 1 2 3 4 5; do
    for value in APPNAME EXE PATH; do setting "$value$n" REG_SZ "No registrada"; done
done
setting APPNAME1 REG_SZ "Bloc de notas"
setting EXE1 REG_SZ notepad.exe
setting PATH1 REG_SZ 'C:\windows\notepad.exe'
echo "The simulated card reader:"
wine "$tools/vrsim.exe" show

wine "$build/kardello.exe" >"$run/agent.log" 2>&1 &
agent=$!
wine "$tools/agentctl.exe" wait 20
echo "VARNO Kardello is running (WINEPREFIX=$WINEPREFIX, DISPLAY=$DISPLAY)."

if [ "$headless" = 0 ]; then
    cat <<EOT
From a second terminal:
  export WINEPREFIX=$WINEPREFIX WINEDEBUG=-all
  wine $tools/vrsim.exe insert 1 --serial VRCARD000001 --letter G   # a card goes in
  wine $tools/vrsim.exe remove 1                                     # and out
  wine $tools/agentctl.exe command 32774                             # the selection window
  wine $tools/agentctl.exe command 32772                             # end the agent
End it from its tray menu ("Fin") or with the last command.
EOT
    wait "$agent" || true
    exit 0
fi

shots=$run/screenshots
rm -rf "$shots"
mkdir -p "$shots"
shot() { import -display "$DISPLAY" -window root "$shots/$1.png" 2>/dev/null || true; }
sleep 2
# Waits for the stand-in photo application and prints what the agent recorded.
report_photo_app() {
    for _ in $(seq 40); do wine "$tools/vrsim.exe" photo-running >/dev/null 2>&1 && break; sleep 0.25; done
    if wine "$tools/vrsim.exe" photo-running >/dev/null 2>&1; then
        echo "  the photo application was started"
    else
        echo "  the photo application did not start" >&2
    fi
    sleep 1
    echo "  recorded under HKEY_CURRENT_USER: $(wine "$tools/agentctl.exe" card | tr -d '\r')"
}
shot 1-watching
echo "Inserting a card into slot 1..."
wine "$tools/vrsim.exe" insert 1 --serial VRCARD000001 --letter G --extend 0x0001 >/dev/null
report_photo_app
shot 2-photo-application
echo "Taking the card out and closing the photo application..."
wine "$tools/vrsim.exe" remove 1 >/dev/null
wine "$tools/agentctl.exe" close "VARNO Fotimo (simulado)" >/dev/null 2>&1 || true
sleep 2
wine "$tools/agentctl.exe" command 32773
sleep 2
shot 3-version-box
wine "$tools/agentctl.exe" press 1 >/dev/null
echo "With DirectExec 2 (do nothing), a card in slot 1 and the settings dialog, cancelled..."
setting DirectExec REG_DWORD 2
wine "$tools/vrsim.exe" insert 1 --serial VRCARD000001 --letter G --extend 0x0001 >/dev/null
wine "$tools/agentctl.exe" command 32775
sleep 2
shot 4-settings-dialog
wine "$tools/agentctl.exe" press 2 >/dev/null
wine "$tools/vrsim.exe" remove 1 >/dev/null
sleep 2
echo "Switching DirectExec to 1 and inserting a second card into slot 2..."
setting DirectExec REG_DWORD 1
wine "$tools/vrsim.exe" insert 2 --serial VRCARD000002 --letter H --extend 0x0002 >/dev/null
selection_up() { wine "$tools/agentctl.exe" windows | grep -q 'ajustes para VARNO Kardello'; }
for _ in $(seq 40); do selection_up && break; sleep 0.25; done
if selection_up; then
    echo "  the selection window is up"
else
    echo "  the selection window did not come up" >&2
fi
sleep 1
shot 5-selection-window
wine "$tools/agentctl.exe" press 1034 >/dev/null   # "Abrir una aplicación diferente"
sleep 1
shot 6-selection-window-unfolded
echo "  its photo application button is pressed"
wine "$tools/agentctl.exe" press 1056 >/dev/null
report_photo_app
wine "$tools/vrsim.exe" remove 2 >/dev/null
wine "$tools/agentctl.exe" close "VARNO Fotimo (simulado)" >/dev/null 2>&1 || true
sleep 2
echo "Ending the agent..."
wine "$tools/agentctl.exe" command 32772
code=0
wait "$agent" || code=$?
echo "The agent ended with exit code $code."
echo "Screenshots: $shots"
