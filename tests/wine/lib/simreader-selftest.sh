#!/usr/bin/env bash
# End-to-end check of the simulated card reader and the photo application under Wine.
# Run through the bench (tests/wine/bench.sh script THIS_FILE) or with WINEPREFIX set to
# a prefix from tools/wine/make-prefix.sh and KARDELLO_BUILD to the win64 build.
set -euo pipefail
# shellcheck source=simreader.sh
source "$(dirname "${BASH_SOURCE[0]}")/simreader.sh"

passed=0 failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        echo "FAILED: $name" >&2
        failed=$((failed + 1))
    fi
}
fails() { ! "$@" >/dev/null 2>&1; }
quiet() { "$@" >/dev/null 2>&1; }
no_overwrite() { ! sim list | grep -q WARNING; }
served() { sim requests | head -n1 | cut -d' ' -f1; }
# The listing asks the control device and each instance once: N more requests served.
list_served() {
    local before
    before=$(served)
    sim list >/dev/null || true
    test "$(served)" -eq $((before + $1))
}
by_device() {
    local listing
    listing=$(sim requests)
    grep -q '^control: [1-9]' <<<"$listing" && grep -q '^unit 1: [1-9]' <<<"$listing" \
        && grep -q '^unit 2: [1-9]' <<<"$listing"
}

CARD1='record 1: status 1 extend 0x0102 letter '\''K'\'' serial "SELFTEST0001"'
NOCARD1='record 1: status 0 extend 0x0000 letter '\''K'\'' serial "SELFTEST0001"'

sim_wait
sim reset >/dev/null

sim insert 1 --serial SELFTEST0001 --letter K --extend 0x0102 >/dev/null
check "card seen through both codes" sim_expect \
    "Control device \\\\.\\VRUSBMSC, code 0x00000001:" "ok: 36 byte(s) returned" \
    "Instance device \\\\.\\VRUSBDSK0, code 0x00220004:" "$CARD1"
check "card twice in the listing" test "$(sim list | grep -cF "$CARD1")" -eq 2
check "each request served counted" list_served 3
check "counted by device" by_device

sim remove 1 >/dev/null
check "removed card keeps its serial" test "$(sim list | grep -cF "$NOCARD1")" -eq 2

sim disconnect 2 >/dev/null
check "disconnected unit has no serial" sim_expect \
    "record 2: status 0 extend 0x0000 letter 'F' serial \"\" (not connected)"

sim fail control on >/dev/null
check "control call fails" sim_expect "call failed (error 31"
check "a failed request counts" list_served 3
sim fail control off >/dev/null

# Held requests: the listing's three calls take at least the delay each, and still answer.
sim delay 700 >/dev/null
started=$(date +%s%N)
check "held requests still answer" sim_expect "ok: 36 byte(s) returned"
check "each request held" test $(( ($(date +%s%N) - started) / 1000000 )) -ge 1400
sim delay off >/dev/null
check "delay off: devices answer" sim_expect "ok: 36 byte(s) returned"
check "delay above 60 s refused" fails sim delay 60001

sim absent on >/dev/null
check "absent: no device opens" test "$(sim list | grep -c 'open failed (error 2)')" -eq 3
check "absent: no request served" list_served 0
sim absent off >/dev/null
check "devices back" sim_expect "ok: 36 byte(s) returned"

sim raw control "$(printf '%02x' $(seq 1 40))" >/dev/null
check "40 raw bytes: 2 records and 4 left over" sim_expect \
    "ok: 40 byte(s) returned" "4 trailing byte(s): 25 26 27 28"
sim raw 1 --records 7 >/dev/null
check "7 records" sim_expect "ok: 126 byte(s) returned" 'record 7: status 1 extend 0x0000 letter '\''J'\'' serial "VR0000000007"'
sim raw 2 --records 30 >/dev/null
check "30 records cut to the buffer" sim_expect "ok: 468 byte(s) returned" "record 26:"

sim report control 1000 >/dev/null
sim report 1 600 >/dev/null
check "over-reported counts reach the caller" sim_expect \
    "ok: 1000 byte(s) returned (more than the 468-byte buffer" \
    "ok: 600 byte(s) returned (more than the 468-byte buffer"
check "nothing written past the buffer" no_overwrite
check "instance report above 4096 refused" fails sim report 1 4097

sim reset >/dev/null
sim instance 1 off >/dev/null
check "instance value removed" test "$(sim list | grep -c 'Instance device')" -eq 1

check "photo application not running" fails sim photo-running
check "photo application starts" photo_start
check "photo application holds its semaphore" quiet sim photo-running
check "photo application closes" photo_stop

sim reset >/dev/null
echo "simreader: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
