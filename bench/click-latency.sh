#!/usr/bin/env bash
# Click to line with a poll under way: the simulated module answers LATE ms
# late, and each click is made DELAY ms after a poll went out, while its reply
# is awaited. Prints bench_click's figures and the simulator's collisions.
# Usage: bench/click-latency.sh [clicks=20] [late ms=45] [delay ms=20]   (needs a build in build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
clicks="${1:-20}"
late="${2:-45}"
delay="${3:-20}"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_sim --console --late "$late"
status=0
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    "$bin/bench_click" "$clicks" "$delay" || status=$?
echo collisions >&3
for _ in $(seq 50); do grep -q '^collisions' "$work/sim.out" && break; sleep 0.05; done
grep '^collisions' "$work/sim.out"
exit "$status"
