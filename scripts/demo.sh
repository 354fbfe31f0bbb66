#!/usr/bin/env bash
# Starts the simulated module and the tester wired to it on COM 1. Closing the
# tester ends the simulator too; nothing is left behind.
set -euo pipefail
bin="$(cd "$(dirname "$0")/.." && pwd)/build/bin"

line_dir="$(mktemp -d "${TMPDIR:-/tmp}/rzm530-line-XXXXXX")"
sim_out="$line_dir/sim.out"
cleanup() {
    [ -n "${sim:-}" ] && kill -TERM "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$line_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$bin/rzm530-sim" --dir "$line_dir" --com 1 --analog 300,700,1023 --inputs 1,0,0,1 >"$sim_out" &
sim=$!
for _ in $(seq 100); do
    grep -q '^ready' "$sim_out" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || { cat "$sim_out" >&2; exit 1; }
    sleep 0.05
done

RZM530_COM_DIR="$line_dir" "$bin/rzm530-tester"
