#!/usr/bin/env bash
# Fuzzes everything that reads what other programs write, for a bounded time per
# target, with AddressSanitizer and UndefinedBehaviorSanitizer. A bench command,
# not a test: the corpus kept in tests/fuzz/corpus is replayed by the tests.
#   scripts/fuzz.sh [SECONDS per target]   (default 60)
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh
KARDELLO_PACKAGES+=(clang libclang-rt-14-dev)
ensure_packages
seconds=${1:-60}
cmake --preset fuzz >/dev/null
targets=$(ls tests/fuzz/fuzz_*.cpp | sed 's#.*/fuzz_\(.*\)\.cpp#\1#')
cmake --build --preset fuzz -j"$(nproc)" --target $(printf 'fuzz_%s ' $targets)
work=build/fuzz/runs
for target in $targets; do
    mkdir -p "$work/$target" "$work/$target-crashes"
    echo "== $target for $seconds s"
    log=$work/$target.log
    status=0
    # Runs on a copy: the tree keeps only the chosen corpus.
    ./build/fuzz/tests/fuzz_$target "$work/$target" "tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -artifact_prefix="$work/$target-crashes/" -print_final_stats=1 \
        >"$log" 2>&1 || status=$?
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb|cov:" "$log" | tail -3
    echo "corpus entries: $(ls "$work/$target" | wc -l), findings: $(ls "$work/$target-crashes" | wc -l), exit $status"
done
