# Shell helpers for scenario scripts that drive the simulated card reader and the
# stand-in photo application. Source it after WINEPREFIX is set; KARDELLO_BUILD
# names the win64 build folder.

# shellcheck source=wait.sh
source "$(dirname "${BASH_SOURCE[0]}")/wait.sh"

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
    wait_for 10 photo_running && return 0
    echo "photo_start: the photo application did not take its semaphore" >&2
    return 1
}
photo_running() { sim photo-running >/dev/null; }
photo_gone() { ! photo_running; }

# Closes every copy through its window, as a person would, and waits for the semaphore to go.
photo_stop() {
    wine "$(kw_tools)/agentctl.exe" close "VARNO Fotimo (simulado)" >/dev/null 2>&1 || true
    wait_for 10 photo_gone && return 0
    echo "photo_stop: the semaphore is still held" >&2
    return 1
}
