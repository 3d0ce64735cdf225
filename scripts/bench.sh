#!/usr/bin/env bash
# Benchmarks (figures, not tests): the cost of one card-watch tick of the portable
# code, and the real agent's CPU time and peak memory over a minute of watching
# under Wine with the simulated card reader.
#   scripts/bench.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages
build_presets native-release win64
seconds=${1:-60}

echo "== One card-watch tick over the fakes"
./build/native-release/tests/kardello_tick_benchmark

echo "== kardello.exe watching under Wine for $seconds s"
export KARDELLO_BUILD=$PWD/build/win64
bench=tests/wine/bench.sh
trap '"$bench" down >/dev/null 2>&1 || true' EXIT
"$bench" up >/dev/null
source "$KARDELLO_BUILD/wine-bench/state"
export WINEPREFIX DISPLAY WINEDEBUG=-all
wine "$KARDELLO_BUILD/kardello.exe" >/dev/null 2>&1 &
wine "$KARDELLO_BUILD/tools/agentctl.exe" wait 20
pid=$(pgrep -f 'kardello\.exe' | head -1)
ticks=$(getconf CLK_TCK)
cpu() { awk -v t="$ticks" '{printf "%.2f", ($14 + $15) / t}' "/proc/$pid/stat"; }
start=$(cpu)
sleep "$seconds"
end=$(cpu)
hwm=$(awk '/VmHWM/ {print $2, $3}' "/proc/$pid/status")
rss=$(awk '/VmRSS/ {print $2, $3}' "/proc/$pid/status")
wine "$KARDELLO_BUILD/tools/agentctl.exe" command 32772
echo "CPU time over $seconds s of watching: $(awk -v a="$start" -v b="$end" 'BEGIN {printf "%.2f", b - a}') s"
echo "peak resident memory: $hwm (now $rss)"
