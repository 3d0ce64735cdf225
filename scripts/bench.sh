#!/usr/bin/env bash
# Benchmarks (figures, not tests): the cost of one card-watch tick of the portable
# code; the real agent's CPU time and memory over a minute of watching under Wine
# with the simulated card reader, and its memory once the Open-file dialog was
# opened; the time from a card's insertion to the photo application's start, with
# and without the message Windows sends for new media.
#   [INSERTIONS=20] scripts/bench.sh [SECONDS]   (default 60)
# Or how long the agent's window takes to answer while it waits on something else (a slow
# card reader, a program on a slow share, a hung photo application), SECONDS each:
#   scripts/bench.sh responsiveness [SECONDS]   (default 10)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages

if [ "${1:-}" = responsiveness ]; then
    build_presets win64
    wine_bench_up
    # A share whose every read takes 2 s, holding a copy of the stand-in program, seen
    # by the prefix as C:\slowshare.
    share=$(mktemp -d)
    mkdir "$share/files" "$share/mount"
    cp "$KARDELLO_BUILD/tools/fotimo.exe" "$share/files/slowprogram.exe"
    /usr/bin/python3 tools/slowshare/slowshare.py "$share/files" "$share/mount" 2 &
    share_pid=$!
    trap 'fusermount -u "$share/mount" 2>/dev/null; wait "$share_pid" 2>/dev/null; rm -rf "$share" "$WINEPREFIX/drive_c/slowshare"; tests/wine/bench.sh down >/dev/null 2>&1 || true' EXIT
    for _ in $(seq 50); do mountpoint -q "$share/mount" && break; sleep 0.1; done
    mountpoint -q "$share/mount" || { echo "bench: the slow share did not mount" >&2; exit 1; }
    ln -sfn "$share/mount" "$WINEPREFIX/drive_c/slowshare"
    # Windows maps .exe to exefile, whose icon is the program's own; Wine's prefix has no
    # .exe key, and its shell then answers the generic icon without opening the file.
    wine reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null
    # The share really is slow for the shell: a program of its own waits on the read.
    echo "the shell's icon of a program on the slow share, from another program: $(wine "$KARDELLO_BUILD/tools/agentctl.exe" icon 'C:\slowshare\slowprogram.exe' | tr -d '\r')"
    echo "== The agent's worst answer time over ${2:-10} s in each case"
    wine "$KARDELLO_BUILD/tests/wine/kardello_responsiveness_bench.exe" \
        --share 'C:\slowshare\slowprogram.exe' "${2:-10}"
    exit 0
fi
build_presets native-release win32 win64
seconds=${1:-60}

echo "== One card-watch tick over the fakes"
./build/native-release/tests/kardello_tick_benchmark

echo "== kardello.exe watching under Wine for $seconds s"
wine_bench_up
agentctl=$KARDELLO_BUILD/tools/agentctl.exe
# Memory as Windows reports it: private bytes and working set.
memory() {
    wine "$agentctl" stats | sed -n 's/.*private_kb=\([0-9]*\) working_set_kb=\([0-9]*\).*/private \1 KB, working set \2 KB/p'
}
# Until a visible dialog whose whole title matches is up (or 10 s have passed).
await_dialog() {
    local _ listing
    for _ in $(seq 50); do
        # The titles come as UTF-8, each line ended by CR LF.
        listing=$(wine "$agentctl" windows | tr -d '\r')
        LC_ALL=C grep -q "^#32770	$1\$" <<<"$listing" && return 0
        sleep 0.2
    done
    echo "bench: no dialog \"$1\"" >&2
    return 1
}
wine "$KARDELLO_BUILD/kardello.exe" >/dev/null 2>&1 &
wine "$agentctl" wait 20
sleep 2
echo "memory after start: $(memory)"
# This prefix's agent: other benches may run theirs beside it.
pid=$(for p in $(pgrep -f 'kardello\.exe'); do
    { tr '\0' '\n' <"/proc/$p/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$p"
done | head -1 || true)
[ -n "$pid" ] || { echo "bench: the agent's process was not found" >&2; exit 1; }
ticks=$(getconf CLK_TCK)
cpu() { awk -v t="$ticks" '{printf "%.2f", ($14 + $15) / t}' "/proc/$pid/stat"; }
start=$(cpu)
sleep "$seconds"
end=$(cpu)
echo "memory after $seconds s of watching: $(memory)"
hwm=$(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")
rss=$(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")
echo "CPU time over $seconds s of watching: $(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", b - a}') s"
echo "peak resident memory, as Linux counts it: $hwm (now $rss)"
# The Open-file dialog's library is loaded only by "Registrar", and then stays.
wine "$agentctl" command 32775
await_dialog ".* de ajustes en VARNO Kardello"
wine "$agentctl" press 1011
await_dialog "VARNO Kardello"
sleep 1
echo "memory with the Open-file dialog up: $(memory)"
wine "$agentctl" press 2  # the Open-file dialog, above the settings
sleep 1
wine "$agentctl" press 2  # the settings dialog
sleep 1
echo "memory after the Open-file dialog was closed: $(memory)"
wine "$agentctl" command 32772
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done

echo "== From a card's insertion to the photo application's start (${INSERTIONS:-20} insertions each)"
wine "$KARDELLO_BUILD/tests/wine/kardello_reaction_bench.exe" "${INSERTIONS:-20}"
