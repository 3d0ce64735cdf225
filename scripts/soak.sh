#!/usr/bin/env bash
# A long run of the real agent under Wine (a bench command, not a test): a card
# inserted and removed every few seconds, the settings dialog open with its poll,
# and the agent's object counts and memory at the start and the end.
#   scripts/soak.sh [SECONDS]   (default 600)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages
build_presets win32 win64
seconds=${1:-600}
wine_bench_up
tools=$KARDELLO_BUILD/tools
V() { wine "$tools/vrsim.exe" "$@" >/dev/null; }
A() { wine "$tools/agentctl.exe" "$@"; }

wine "$KARDELLO_BUILD/kardello.exe" >/dev/null 2>&1 &
A wait 20
A command 32775   # the settings dialog, polling every 500 ms
sleep 3
echo "start: $(A stats | tr -d '\r')"
end=$((SECONDS + seconds))
cards=0
while [ $SECONDS -lt $end ]; do
    V insert $((cards % 2 + 1)) --serial "SOAK$((cards % 5))"
    sleep 3
    V remove $((cards % 2 + 1))
    wine "$tools/agentctl.exe" close "VARNO Fotimo (simulado)" >/dev/null 2>&1 || true
    sleep 2
    cards=$((cards + 1))
done
echo "end:   $(A stats | tr -d '\r')"
echo "cards inserted and removed: $cards over $seconds s"
if A windows | grep -q 'ajustes en VARNO Kardello'; then
    echo "the settings dialog was up to the end"
else
    echo "the settings dialog was not up at the end" >&2
fi
A command 32772
