#!/usr/bin/env bash
# Polling alone over one process's life, the monitor never shown: every EVERY seconds, the share
# of a core the tester, the simulator and the X server each had since the last sample, from the
# kernel's count of the time each of their threads was on a processor (/proc/PID/task/*/schedstat,
# exact to the nanosecond, unlike getrusage's split between user and system time), and the
# tester's resident memory. Shows whether what a tick of the same work costs moves with the
# others on the machine.
# Usage: bench/poll-schedstat.sh [seconds=300] [every=30]
#        (needs rzm530-sim and bench_poll built in build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$root/build/bin"
. "$root/bench/lib/start-sim.sh"
seconds="${1:-300}"
every="${2:-30}"

if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" "$@"
fi

work="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_sim --analog 300,700,1023
# Longer than sampled, so that it is still there at the last sample.
"$bin/bench_poll" "$((seconds + every))" >"$work/poll" &
tester=$!
# The server xvfb-run started for this script: its child, as the script is.
xserver="$(pgrep -x -P "$PPID" Xvfb || true)"
if [ -z "$xserver" ]; then
    echo "$(basename "$0"): needs an Xvfb of its own: run it without DISPLAY set" >&2
    exit 2
fi

# Nanoseconds on a processor, all the process's threads.
on_cpu() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {print ns + 0}'; }
# The share of a core between two counts, over the nanoseconds that passed between them.
share() { awk -v a="$1" -v b="$2" -v ns="$3" 'BEGIN {printf "%.3f %%", 100 * (b - a) / ns}'; }

printf '%6s %10s %10s %10s %12s\n' at tester simulator X "tester RSS"
begun=$(date +%s%N)
previous=$begun
last=("$(on_cpu "$tester")" "$(on_cpu "$sim")" "$(on_cpu "$xserver")")
for ((at = every; at <= seconds; at += every)); do
    # To the sample's own moment, so that samples do not drift.
    sleep "$(awk -v t="$((begun + at * 1000000000 - $(date +%s%N)))" 'BEGIN {print (t > 0 ? t / 1e9 : 0)}')"
    if ! kill -0 "$tester" 2>/dev/null; then
        echo "$(basename "$0"): bench_poll ended before the last sample" >&2
        exit 1
    fi
    now=("$(on_cpu "$tester")" "$(on_cpu "$sim")" "$(on_cpu "$xserver")")
    at_ns=$(date +%s%N)
    printf '%5d s %10s %10s %10s %9s KiB\n' "$at" "$(share "${last[0]}" "${now[0]}" $((at_ns - previous)))" \
        "$(share "${last[1]}" "${now[1]}" $((at_ns - previous)))" \
        "$(share "${last[2]}" "${now[2]}" $((at_ns - previous)))" \
        "$(awk '/^VmRSS/ {print $2}' /proc/"$tester"/status)"
    last=("${now[@]}")
    previous=$at_ns
done
kill "$tester" 2>/dev/null || true
