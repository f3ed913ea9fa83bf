# Sourced by the X11 tests: a private Xvfb server for this test alone, and a clean-up that
# ends it and everything the test started.
set -euo pipefail

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The server picks a free display number itself and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Waits for the front end's window and prints its id.
wait_for_window() {
    timeout 20 xdotool search --sync --onlyvisible --name '^ZORAVEN frontend' | head -n1
}
