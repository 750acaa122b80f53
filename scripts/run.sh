#!/usr/bin/env bash
# Builds kelm9dmaster and the simulated detector, starts the simulator as
# com1 in a port folder of its own, and opens the window on it. Without a
# display it runs the main job through the batch host instead. The simulator
# stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kelm9dmaster kelm9d-sim

port_dir=$(mktemp -d)
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
    rm -rf "$port_dir"
}
trap cleanup EXIT INT TERM

./build/sim/kelm9d-sim --ignore-stdin --link "$port_dir/com1" --log "$port_dir/wire.log" \
    >"$port_dir/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$port_dir/com1" ] && break; sleep 0.05; done
if [ ! -e "$port_dir/com1" ]; then
    echo "the simulated detector did not start:" >&2
    cat "$port_dir/sim.out" >&2
    exit 1
fi
echo "simulated detector on $(head -n 1 "$port_dir/sim.out"), linked as com1"
export KELM9D_PORT_DIR="$port_dir"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    ./build/app/kelm9dmaster
else
    echo "no display: running the batch host instead (start read write write-rom show stop)"
    ./build/app/kelm9dmaster --batch --port com1 start read write write-rom show stop
fi
