# Shell helpers for scenario scripts that drive the simulated card reader and the
# stand-in photo application. Source it after WINEPREFIX is set; KARDELLO_BUILD
# names the win64 build folder.

kw_tools() { echo "${KARDELLO_BUILD:?KARDELLO_BUILD must name the win64 build folder}/tools"; }

# vrsim with its exit code, e.g.: sim insert 1 --serial ABC
sim() { wine "$(kw_tools)/vrsim.exe" "$@"; }

# Waits until the driver's control device opens (after a wineserver start).
sim_wait() { sim wait "${1:-30}" >/dev/null; }

# Fails with the listing unless it contains every given fixed string.
sim_expect() {
    local listing needle
    listing=$(sim list) || true
    for needle in "$@"; do
        if ! grep -qF -- "$needle" <<<"$listing"; then
            printf 'sim_expect: missing "%s" in:\n%s\n' "$needle" "$listing" >&2
            return 1
        fi
    done
}

# Starts the photo application and waits until its semaphore is held.
photo_start() {
    wine "$(kw_tools)/fotimo.exe" "$@" >/dev/null 2>&1 &
    local _
    for _ in $(seq 50); do
        sim photo-running >/dev/null && return 0
        sleep 0.2
    done
    echo "photo_start: the photo application did not take its semaphore" >&2
    return 1
}

# Closes every copy through its window, as a person would, and waits for the semaphore to go.
photo_stop() {
    wine "$(kw_tools)/agentctl.exe" close "VARNO Fotimo (simulado)" >/dev/null 2>&1 || true
    local _
    for _ in $(seq 50); do
        sim photo-running >/dev/null || return 0
        sleep 0.2
    done
    echo "photo_stop: the semaphore is still held" >&2
    return 1
}
