#!/usr/bin/env bash
# How long the command line's scan and self-test take against the simulated
# module. Usage: bench/line-timing.sh   (needs a build in build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# Runs the tester with the given options; prints its exit code and seconds.
timed() {
    local start end code=0
    start=$(date +%s.%N)
    "$bin/rzm530-tester" "$@" >"$work/out" 2>/dev/null || code=$?
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v c="$code" 'BEGIN { printf "%.1f s, exit %d", e - s, c }'
}

start_sim --silent
echo "scan of addresses 1-247, no module answering, 100 ms a probe: $(timed --scan)"
stop_sim

start_sim --address 1,17,42,120
echo "scan of addresses 1-247, four modules: $(timed --scan), found $(wc -l <"$work/out")"
stop_sim

start_sim --late 20
echo "self-test without an operator, module answering 20 ms late: $(timed --self-test)"
stop_sim
