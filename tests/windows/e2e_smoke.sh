#!/usr/bin/env bash
# e2e_smoke.sh LINUX_BUILD WINDOWS_BUILD
# The Windows program end to end under Wine against the simulated detector,
# next to the Linux program doing the same job against a simulator of its
# own: both must print the same and put the same bytes on the wire (the
# simulators' logs, timestamps left out). Each program runs from a folder of
# its own with a parameter file in res/, so that Read(FILE) also shows that
# each finds it beside itself. Needs WINEPREFIX.
set -euo pipefail
linux_build=$(cd "$1" && pwd)
windows_build=$(cd "$2" && pwd)
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix}"
sim="$linux_build/sim/kelm9d-sim"
port=com21
commands=(start read read-file show write write-rom temperature version show stop)

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -f "$WINEPREFIX/dosdevices/$port"
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

# start_sim SIDE: a fresh simulator (the one before it stops); sets $device.
# Not run in a subshell, so that the cleanup knows every simulator it started.
start_sim() {
    local side=$1
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    "$sim" --ignore-stdin --log "$work/$side.wire" >"$work/$side.sim" 2>&1 &
    pids+=($!)
    device=""
    for _ in $(seq 200); do
        device=$(head -n 1 "$work/$side.sim" 2>/dev/null || true)
        if [ -n "$device" ] && [ -e "$device" ]; then
            return 0
        fi
        sleep 0.05
    done
    echo "the simulated detector did not start:" >&2
    cat "$work/$side.sim" >&2
    return 1
}

# install_program SIDE PROGRAM: the program in a folder of its own, with a
# parameter file whose values differ from the built-in defaults.
install_program() {
    local side=$1 program=$2
    mkdir -p "$work/$side/res"
    cp "$program" "$work/$side/"
    printf '[CONFIG_PARAMETER]\r\nTIME_SPAN=1800\r\nVT=1.75\r\nPGA=6\r\nTIME_YEAR=14\r\nTIME_MONTH=4\r\nTIME_DAY=4\r\n' \
        >"$work/$side/res/orvane_1717.ini"
}

# wire SIDE: the bytes each way, without the times.
wire() {
    cut -d' ' -f2- "$work/$1.wire"
}

echo "-- Linux program against the simulator"
install_program linux "$linux_build/app/kelm9dmaster"
start_sim linux
mkdir -p "$work/ports"
ln -s "$device" "$work/ports/$port"
KELM9D_PORT_DIR="$work/ports" "$work/linux/kelm9dmaster" --batch --port "$port" "${commands[@]}" \
    >"$work/linux.out"

echo "-- Windows program under Wine against the simulator"
install_program windows "$windows_build/app/kelm9dmaster.exe"
start_sim windows
ln -sfn "$device" "$WINEPREFIX/dosdevices/$port"
status=0
wine "$work/windows/kelm9dmaster.exe" --batch --port "$port" "${commands[@]}" \
    >"$work/windows.raw" || status=$?
tr -d '\r' <"$work/windows.raw" >"$work/windows.out"
if [ "$status" -ne 0 ]; then
    echo "the Windows program failed with exit status $status:" >&2
    cat "$work/windows.out" >&2
    exit 1
fi

# The parameter file was found and read on both.
grep -q '^Time Span: 1800 ms$' "$work/windows.out" || {
    echo "the Windows program did not read res\\orvane_1717.ini:" >&2
    cat "$work/windows.out" >&2
    exit 1
}
if ! diff -u "$work/linux.out" "$work/windows.out"; then
    echo "the Windows program printed otherwise than the Linux one" >&2
    exit 1
fi
if ! diff -u <(wire linux) <(wire windows); then
    echo "the Windows program put other bytes on the wire than the Linux one" >&2
    exit 1
fi
frames=$(wire windows | grep -c '^rx ' || true)
echo "same output ($(wc -l <"$work/windows.out") lines) and the same $frames frames on the wire"

# The short job with --json, on com5. The port lists differ between the two
# systems (each lists the ports it finds), so the statuses and messages are
# compared, and the bytes on the wire.
json_port=com5
json_commands=(--json start write write-rom stop)
statuses() { grep -o '"status": "[^"]*", "messages": \[[^]]*\]' "$1"; }
for side in linux windows; do
    rm -f "$work/$side.wire"
done
start_sim linux
ln -sfn "$device" "$work/ports/$json_port"
KELM9D_PORT_DIR="$work/ports" "$work/linux/kelm9dmaster" --batch --port "$json_port" \
    "${json_commands[@]}" >"$work/linux.json"
start_sim windows
ln -sfn "$device" "$WINEPREFIX/dosdevices/$json_port"
wine "$work/windows/kelm9dmaster.exe" --batch --port "$json_port" "${json_commands[@]}" \
    >"$work/windows.json.raw"
tr -d '\r' <"$work/windows.json.raw" >"$work/windows.json"
rm -f "$WINEPREFIX/dosdevices/$json_port"
if [ "$(wc -l <"$work/windows.json")" -ne 4 ]; then
    echo "the Windows program did not print one JSON object per command:" >&2
    cat "$work/windows.json" >&2
    exit 1
fi
if ! diff -u <(statuses "$work/linux.json") <(statuses "$work/windows.json"); then
    echo "the Windows program reported otherwise than the Linux one (--json)" >&2
    exit 1
fi
if ! diff -u <(wire linux) <(wire windows); then
    echo "the Windows program put other bytes on the wire than the Linux one (--json)" >&2
    exit 1
fi
echo "--json on $json_port: same statuses and the same $(wire windows | grep -c '^rx ' || true) frames on the wire"
