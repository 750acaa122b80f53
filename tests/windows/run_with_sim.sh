#!/usr/bin/env bash
# run_with_sim.sh SIM COMMAND...
# Starts two simulated detectors of a Linux build, links them into the Wine
# prefix as COM ports, and runs COMMAND with their names in
#   KELM9D_TEST_PORT         (answers like the detector)
#   KELM9D_TEST_HANGUP_PORT  (hangs up after its first five bytes)
# The port numbers come from KELM9D_TEST_COM_BASE (default 11 and 12), so
# that runs in parallel can use their own. Needs WINEPREFIX.
set -euo pipefail
sim=$1
shift
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
base=${KELM9D_TEST_COM_BASE:-11}
work=$(mktemp -d)
pids=()
links=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    for link in "${links[@]}"; do rm -f "$link"; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# start_sim NAME COM_NUMBER OPTIONS...: the simulator prints its device first.
start_sim() {
    local name=$1 number=$2
    shift 2
    "$sim" --ignore-stdin "$@" >"$work/$name.out" 2>&1 &
    pids+=($!)
    local device=""
    for _ in $(seq 200); do
        device=$(head -n 1 "$work/$name.out" 2>/dev/null || true)
        [ -n "$device" ] && [ -e "$device" ] && break
        device=""
        sleep 0.05
    done
    if [ -z "$device" ]; then
        echo "the simulated detector $name did not start:" >&2
        cat "$work/$name.out" >&2
        exit 1
    fi
    local link="$WINEPREFIX/dosdevices/com$number"
    ln -sfn "$device" "$link"
    links+=("$link")
}

start_sim answering "$base"
start_sim hangup "$((base + 1))" --hangup-after-bytes 5
export KELM9D_TEST_PORT="com$base"
export KELM9D_TEST_HANGUP_PORT="com$((base + 1))"
"$@"
