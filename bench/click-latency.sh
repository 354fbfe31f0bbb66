#!/usr/bin/env bash
# Click to line with a poll under way: the simulated module answers LATE ms
# late, and each click is made DELAY ms after a poll went out, while its reply
# is awaited. Prints bench_click's figures and the simulator's collisions.
# Usage: bench/click-latency.sh [clicks=20] [late ms=45] [delay ms=20]   (needs a build in build/)
set -euo pipefail
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin"
clicks="${1:-20}"
late="${2:-45}"
delay="${3:-20}"
work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/commands"
"$bin/rzm530-sim" --headless --dir "$work/line" --late "$late" <"$work/commands" >"$work/sim.out" &
exec 3>"$work/commands"
for _ in $(seq 100); do grep -q '^ready' "$work/sim.out" 2>/dev/null && break; sleep 0.05; done
status=0
RZM530_COM_DIR="$work/line" QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
    "$bin/bench_click" "$clicks" "$delay" || status=$?
echo collisions >&3
for _ in $(seq 50); do grep -q '^collisions' "$work/sim.out" && break; sleep 0.05; done
grep '^collisions' "$work/sim.out"
exit "$status"
