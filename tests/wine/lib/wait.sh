# Waits for conditions, not for time; sourced by the bench's scripts.

# wait_for SECONDS COMMAND...: true as soon as COMMAND succeeds (tried every 0.1 s),
# false when it has not within SECONDS (whole seconds).
wait_for() {
    local now=${EPOCHREALTIME/[.,]/} deadline
    deadline=$((now + $1 * 1000000))
    shift
    until "$@"; do
        now=${EPOCHREALTIME/[.,]/}
        [ "$now" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

# nothing_for SECONDS COMMAND...: the one wait for time, where a script shows that
# nothing happens for a while: true when COMMAND failed throughout, false as soon as
# it succeeds.
nothing_for() {
    ! wait_for "$@"
}
