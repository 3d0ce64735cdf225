#!/usr/bin/env bash
# Builds everything and runs every test: native (sanitizers) and under Wine.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
ensure_packages
build_presets native win32 win64

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
status=0
ctest --preset native 2>&1 | tee "$logs/native.log" || status=1
ctest --preset win64 2>&1 | tee "$logs/win64.log" || status=1

# ctest's totals of both runs, as one line.
total() { grep -hoE "tests failed out of [0-9]+" "$logs"/*.log | awk '{s+=$5} END {print s+0}'; }
failed() { grep -hoE "[0-9]+ tests failed out of" "$logs"/*.log | awk '{s+=$1} END {print s+0}'; }
all=$(total)
bad=$(failed)
[ "$all" -gt 0 ] || status=1
echo
echo "tests: $((all - bad)) passed, $bad failed"
exit $status
