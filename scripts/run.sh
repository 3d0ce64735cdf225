#!/usr/bin/env bash
# Builds everything and runs the agent on its embedded default: a Wine prefix with
# the simulated card reader and the stand-in photo application.
# With a display, the agent stays until it is ended from its tray menu (or with
# `agentctl command 32772`). Without one, it runs under Xvfb, a card goes in and
# out, what the agent did is printed, and screenshots are saved.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages
build_presets win64

root=$PWD
build=$root/build/win64
run=$root/build/run
export WINEPREFIX=$run/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tools=$build/tools
mkdir -p "$run"

# The prefix is made once and kept.
if [ ! -f "$run/prefix.ready" ]; then
    rm -rf "$WINEPREFIX"
    echo "Making the Wine prefix (once)..."
    "$root/tools/wine/make-prefix.sh" "$WINEPREFIX" "$build" >"$run/prefix.log" 2>&1 \
        || { cat "$run/prefix.log" >&2; exit 1; }
    touch "$run/prefix.ready"
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
shot 1-watching
echo "Inserting a card into slot 1..."
wine "$tools/vrsim.exe" insert 1 --serial VRCARD000001 --letter G --extend 0x0001 >/dev/null
for _ in $(seq 40); do wine "$tools/vrsim.exe" photo-running >/dev/null 2>&1 && break; sleep 0.25; done
if wine "$tools/vrsim.exe" photo-running >/dev/null 2>&1; then
    echo "  the photo application was started"
else
    echo "  the photo application did not start" >&2
fi
sleep 1
echo "  recorded under HKEY_CURRENT_USER: $(wine "$tools/agentctl.exe" card | tr -d '\r')"
shot 2-photo-application
echo "Taking the card out and closing the photo application..."
wine "$tools/vrsim.exe" remove 1 >/dev/null
wine taskkill /IM fotimo.exe >/dev/null 2>&1 || true
sleep 2
wine "$tools/agentctl.exe" command 32773
sleep 2
shot 3-version-box
echo "Ending the agent..."
wine "$tools/agentctl.exe" command 32772
code=0
wait "$agent" || code=$?
echo "The agent ended with exit code $code."
echo "Screenshots: $shots"
