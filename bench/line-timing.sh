#!/usr/bin/env bash
# How long the command line's scan and self-test take against the simulated
# module. Usage: bench/line-timing.sh   (needs a build in build/)
set -euo pipefail
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export RZM530_COM_DIR="$work/line"

# Starts the simulator with the given options and waits until its line is up.
simulator() {
    "$bin/rzm530-sim" --headless --dir "$work/line" "$@" </dev/null >"$work/sim.out" &
    sim=$!
    for _ in $(seq 100); do grep -q '^ready' "$work/sim.out" 2>/dev/null && return; sleep 0.05; done
    echo "the simulator did not start" >&2
    exit 1
}
stop_simulator() { kill "$sim"; wait "$sim" 2>/dev/null || true; }

# Runs the tester with the given options; prints its exit code and seconds.
timed() {
    local start end code=0
    start=$(date +%s.%N)
    "$bin/rzm530-tester" "$@" >"$work/out" 2>/dev/null || code=$?
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v c="$code" 'BEGIN { printf "%.1f s, exit %d", e - s, c }'
}

simulator --silent
echo "scan of addresses 1-247, no module answering, 100 ms a probe: $(timed --scan)"
stop_simulator

simulator --address 1,17,42,120
echo "scan of addresses 1-247, four modules: $(timed --scan), found $(wc -l <"$work/out")"
stop_simulator

simulator --late 20
echo "self-test without an operator, module answering 20 ms late: $(timed --self-test)"
stop_simulator
